#pragma once
// Book package files made to order for tests: the demo's writer.

#include "demo/BookPackage.h"

namespace penshelf::test {

using BookFile = demo::BookPackage;
using demo::vxbName;

}  // namespace penshelf::test
