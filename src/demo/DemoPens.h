#pragma once
// Simulated pens with a few book packages, for the demo and the screenshots.

#include <string>

namespace penshelf::demo {

// Writes the pens pen-A and pen-B into folder, replacing earlier ones.
void writeDemoPens(const std::string& folder);

// Writes a book package to install, as a user would download it, at path.
void writeDemoPackage(const std::string& path);

}  // namespace penshelf::demo
