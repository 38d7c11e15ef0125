#pragma once
// Book package files made to order for tests.

#include "books/SampleBook.h"

namespace penshelf::test {

using BookFile = SampleBook;
using penshelf::gb18030;
using penshelf::vxbName;

}  // namespace penshelf::test
