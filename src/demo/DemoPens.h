#pragma once
// Simulated pens with a few book packages, for the demo and the screenshots.

#include <string>
#include <vector>

namespace penshelf::demo {

// Writes the pens pen-A, pen-B and pen-C into folder, replacing earlier ones.
// pen-C's file system is a FAT image with damage, for 检查点读笔….
void writeDemoPens(const std::string& folder);

// Writes a book package to install, as a user would download it, at path.
void writeDemoPackage(const std::string& path);

// Writes book packages to install into folder, made when missing: a custom
// one, a smart one and writeDemoPackage's. Returns their paths.
std::vector<std::string> writeSampleBooks(const std::string& folder);

}  // namespace penshelf::demo
