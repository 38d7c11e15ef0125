#pragma once
// Simulated pens with a few book packages, for the demo and the screenshots.

#include <string>

namespace penshelf::demo {

// Writes the pens pen-A, pen-B and pen-C into folder, replacing earlier ones.
// pen-C's file system is a FAT image with damage, for 检查点读笔….
void writeDemoPens(const std::string& folder);

// Writes a book package to install, as a user would download it, at path.
void writeDemoPackage(const std::string& path);

}  // namespace penshelf::demo
