#pragma once
// Copies a book package onto a pen so that the pen only ever holds the whole
// book or nothing of it: the bytes go into a temporary file in BOOK/ whose
// name the catalogue never lists, are flushed to the device, and only then
// take the package's name, never replacing a file that already has it.

#include "books/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <string>
#include <sys/stat.h>

namespace penshelf {

// The largest file a pen's FAT file system can hold: 4 GiB less one byte.
inline constexpr std::int64_t largestPenFile = (std::int64_t{1} << 32) - 1;

// The install copies and reports progress in chunks of this many bytes.
inline constexpr std::int64_t installChunkSize = 1024;

enum class InstallResult {
    Installed,      // the package is on the pen under its name (or, from check(): may go on)
    InvalidSource,  // the source cannot be read or is shorter than a book header
    NoSpace,        // the source is larger than the free space of the pen's volume
    TooLarge,       // the source is 4 GiB or more, more than the pen's FAT can hold in a file
    Taken,          // something took the package's name while the copy ran
    NoBookFolder,   // the pen has no BOOK folder of its own (missing, or a link elsewhere)
    ReadOnly,       // the pen's volume refuses writes: mounted read-only, or turned so by
                    // the kernel after an error; nothing of the book is on the pen
    Failed,         // reading, writing, flushing or renaming failed, or the source
                    // changed during the copy; the pen is as it was
    Cancelled,      // stopped on request before the book took its name; the pen is as it was
};

struct InstallCallbacks {
    // After each chunk has been written, with its index, 0 to chunkCount() - 1.
    std::function<void(std::int64_t chunk)> chunkWritten;
    // After the last chunk, before the copy is flushed to the device, which
    // can take a long time on a slow pen.
    std::function<void()> flushing;
    // Asked before each block is read; true gives the copy up, Cancelled.
    std::function<bool()> cancelled{};
};

// A check of the bytes copied, for a copy that must be one known file: a
// restore computes the digest of what it copies.
struct CopyCheck {
    // Each block of the source as it was read, before it is written.
    std::function<void(const char* data, std::int64_t size)> blockRead;
    // The first block once read, which it may change in place before it is
    // written: a restored shared package gets its target's new number.
    std::function<void(char* data, std::int64_t size)> rewriteFirst;
    // After the last chunk, before the flush: false gives the copy up, which
    // then ends Failed with nothing of it on the pen.
    std::function<bool()> accept;
};

class BookInstaller {
  public:
    // Installs source into folder as targetName (NNN.vxr or NNN.vxs). A
    // custom package gets its label field written.
    BookInstaller(std::string source, std::string folder, std::string targetName,
                  bool customPackage);
    // The same for a source opened already, such as a backup's file opened
    // in its folder without following a link; source is its path, for no
    // use but naming it.
    BookInstaller(UniqueFd sourceFd, std::string source, std::string folder, std::string targetName,
                  bool customPackage);
    // The same into a BOOK folder held open already, so that every book of a
    // restore goes into the one folder, whatever is mounted at its path meanwhile.
    BookInstaller(UniqueFd sourceFd, std::string source, UniqueFd folderFd, std::string targetName,
                  bool customPackage);
    ~BookInstaller();
    BookInstaller(const BookInstaller&) = delete;
    BookInstaller& operator=(const BookInstaller&) = delete;

    // Opens the source and the pen's BOOK folder and sees whether the one can
    // go into the other: Installed when it can, else InvalidSource,
    // NoBookFolder, ReadOnly, NoSpace or TooLarge.
    InstallResult check();

    // The source's size as check() found it, and the number of chunks the
    // copy reports: size / 1024 + 1, the last one short or empty.
    std::int64_t size() const { return size_; }
    std::int64_t chunkCount() const { return size_ / installChunkSize + 1; }

    // Copies the source checked before onto the pen. Temporary files that
    // earlier installs left behind when they were killed go first.
    InstallResult install(const InstallCallbacks& callbacks, const CopyCheck& check = {});

  private:
    // Writes the source into fileFd, label field included.
    InstallResult copyInto(int fileFd, const InstallCallbacks& callbacks, const CopyCheck& check);
    // Whether the source is still the file check() saw, unchanged.
    bool sourceUnchanged() const;

    std::string source_;
    std::string folder_;
    std::string targetName_;
    bool customPackage_;
    bool sourceGiven_ = false;
    bool folderGiven_ = false;
    UniqueFd sourceFd_;
    UniqueFd folderFd_;
    struct stat sourceStat_ {};
    std::int64_t size_ = 0;
};

}  // namespace penshelf
