#include "books/BookHeader.h"

#include "support/BookFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class BookHeaderTest : public ::testing::Test {
  protected:
    std::string write(const std::string& bytes) { return writeFile(dir / "book.vxb", bytes); }
    TempDir dir;
};

TEST_F(BookHeaderTest, NameStopsAtFillerOrZeroAndIsNoneWhenUndecodableOrUnreadable) {
    // "VXB" and the title 点读 (B5E3 B6C1 in GB 18030), then 0xFF filler.
    EXPECT_EQ(GetBookName(write(BookFile{.name = "VXB\xB5\xE3\xB6\xC1"}.bytes())), "VXB点读");
    EXPECT_EQ(GetBookName(write(std::string("VXBab\0cd", 8) + std::string(200, 'x'))), "VXBab");
    EXPECT_EQ(GetBookName(write(std::string(100, 'A') + "BBBB")), std::string(100, 'A'))
        << "without a terminator the whole 100-byte area is the name";
    EXPECT_EQ(GetBookName(write("VXBshort")), "VXBshort") << "a short file gives what it has";
    EXPECT_EQ(GetBookName(write("")), "");

    EXPECT_EQ(GetBookName(write("VXB\x81\x20title")), std::nullopt) << "invalid GB 18030";
    EXPECT_EQ(GetBookName(write("VXB\xB5")), std::nullopt) << "truncated two-byte character";
    EXPECT_EQ(GetBookName(dir / "missing.vxr"), std::nullopt);

    std::filesystem::create_directory(dir.path() / "004.vxr");
    EXPECT_EQ(GetBookName(dir / "004.vxr"), std::nullopt) << "a folder is not a package";

    // A FIFO named like a package must neither block nor be read.
    const std::string fifo = dir / "005.vxr";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(GetBookName(fifo), std::nullopt);
    EXPECT_EQ(GetBookCoverOID(fifo), std::nullopt);
}

TEST_F(BookHeaderTest, SixteenBitFieldsAreLittleEndianAndMissingBeyondTheFile) {
    const std::string full = BookFile{.name = "VXBx",
                                      .coverOid = 0x0100,
                                      .labelKey = 0xBEEF,
                                      .defaultTitle = 7,
                                      .defaultLabel = 999}
                                 .bytes();
    const std::string path = write(full);
    EXPECT_EQ(GetBookCoverOID(path), 256);
    EXPECT_EQ(GetBookType(path), ".vxs");
    EXPECT_EQ(bookLabelKey(path), 0xBEEF);
    EXPECT_EQ(GetBookDefaultTitle(path), 7);
    EXPECT_EQ(GetBookDefaultLabel(path), 999);
    EXPECT_EQ(GetBookType(write(BookFile{.name = "VXBx", .coverOid = 0}.bytes())), ".vxr");

    EXPECT_EQ(GetBookDefaultLabel(write(full.substr(0, 185))), 999);
    const std::string oneShort = write(full.substr(0, 184));
    EXPECT_EQ(GetBookDefaultTitle(oneShort), 7);
    EXPECT_EQ(GetBookDefaultLabel(oneShort), std::nullopt) << "missing, not zero";
    const std::string halfCover = write(full.substr(0, 96));
    EXPECT_EQ(GetBookCoverOID(halfCover), std::nullopt);
    EXPECT_EQ(GetBookType(halfCover), ".vxr") << "a missing cover OID counts as zero";
    EXPECT_EQ(GetBookDefaultLabel(dir / "missing.vxb"), std::nullopt);
}

}  // namespace
