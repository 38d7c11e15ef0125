#include "books/BookRemoval.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace penshelf;
using namespace penshelf::test;
namespace fs = std::filesystem;

namespace {

TEST(BookRemoval, DeletesTheListedFileOnlyAndNothingOutsideTheFolderOrSwappedIn) {
    TempDir dir;
    const std::string book = dir / "BOOK/";
    writeFile(book + "001.vxr", "book one");
    writeFile(book + "X/1.vxr", "in a subfolder");
    writeFile(dir / "outside/001.vxr", "not on the pen");
    writeFile(dir / "outside/1.vxr", "not on the pen either");
    const auto removed = [](const std::string& folder, const std::string& file) {
        return removeBookFile(folder, file) == RemovalResult::Removed;
    };

    EXPECT_FALSE(removed(book, dir / "outside/001.vxr"));
    EXPECT_FALSE(removed(book, book + "../outside/001.vxr"));
    EXPECT_FALSE(removed("", book + "001.vxr")) << "no folder";
    EXPECT_TRUE(removed(book, book + "001.vxr"));
    EXPECT_TRUE(removed(book, book + "X/1.vxr"));
    EXPECT_EQ(fileNamesIn(book), std::set<std::string>{"X"}) << "its folder stays";
    EXPECT_TRUE(fs::is_empty(book + "X"));
    EXPECT_FALSE(removed(book, book + "001.vxr")) << "already gone";
    EXPECT_EQ(fileNamesIn(dir / "outside"), (std::set<std::string>{"001.vxr", "1.vxr"}));

    // A listed book swapped for a folder or a link since.
    writeFile(book + "001.vxr/inside", "x");
    EXPECT_FALSE(removed(book, book + "001.vxr"));
    EXPECT_TRUE(fs::exists(book + "001.vxr/inside"));
    fs::remove_all(book + "001.vxr");
    fs::create_symlink(dir / "outside/001.vxr", book + "001.vxr");
    EXPECT_FALSE(removed(book, book + "001.vxr"));
    EXPECT_EQ(readFile(dir / "outside/001.vxr"), "not on the pen");

    // The subfolder itself swapped for a link to a folder elsewhere.
    fs::remove_all(book + "X");
    fs::create_directory_symlink(dir / "outside", book + "X");
    EXPECT_FALSE(removed(book, book + "X/1.vxr"));
    EXPECT_EQ(readFile(dir / "outside/1.vxr"), "not on the pen either");
}

}  // namespace
