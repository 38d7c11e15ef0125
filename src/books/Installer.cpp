#include "books/Installer.h"

#include "books/BookHeader.h"
#include "books/Catalogue.h"
#include "books/FileIo.h"
#include "books/FreeSpace.h"
#include "books/InstallTemporary.h"
#include "books/NoReplaceRename.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace penshelf {
namespace {

// The chunks are only what the window counts; the data moves in blocks this
// large, so a big package costs a few hundred system calls, not one per chunk.
constexpr std::int64_t blockSize = 1 << 20;
static_assert(blockSize % installChunkSize == 0 && blockSize >= BookHeader::size);

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void writeLabelField(char* header) {
    const auto byteAt = [&](off_t offset) { return static_cast<unsigned char>(header[offset]); };
    const std::uint16_t key =
        byteAt(BookHeader::labelKeyOffset) | byteAt(BookHeader::labelKeyOffset + 1) << 8;
    const std::uint16_t defaultLabel =
        byteAt(BookHeader::defaultLabelOffset) | byteAt(BookHeader::defaultLabelOffset + 1) << 8;
    const auto field = labelFieldBytes(key, defaultLabel);
    std::memcpy(header + BookHeader::labelFieldOffset, field.data(), field.size());
}

// A write the pen refused because its volume is, or has just turned,
// read-only is told apart: the user cannot fix that by trying again.
InstallResult writeFailed(int folderFd, int error) {
    return error == EROFS || isReadOnlyFileSystem(folderFd) ? InstallResult::ReadOnly
                                                            : InstallResult::Failed;
}

}  // namespace

BookInstaller::BookInstaller(std::string source, std::string folder, std::string targetName,
                             bool customPackage)
    : source_(std::move(source)),
      folder_(std::move(folder)),
      targetName_(std::move(targetName)),
      customPackage_(customPackage) {}

BookInstaller::BookInstaller(UniqueFd sourceFd, std::string source, std::string folder,
                             std::string targetName, bool customPackage)
    : BookInstaller(std::move(source), std::move(folder), std::move(targetName), customPackage) {
    sourceGiven_ = true;
    sourceFd_ = std::move(sourceFd);
}

BookInstaller::BookInstaller(UniqueFd sourceFd, std::string source, UniqueFd folderFd,
                             std::string targetName, bool customPackage)
    : BookInstaller(std::move(sourceFd), std::move(source), std::string(), std::move(targetName),
                    customPackage) {
    folderGiven_ = true;
    folderFd_ = std::move(folderFd);
}

BookInstaller::~BookInstaller() = default;

InstallResult BookInstaller::check() {
    size_ = 0;
    // O_NONBLOCK: a FIFO chosen as the source must not hang the window.
    if (!sourceGiven_) {
        sourceFd_.reset(open(source_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    }
    if (!sourceFd_.isOpen() || fstat(sourceFd_.get(), &sourceStat_) != 0 ||
        !S_ISREG(sourceStat_.st_mode)) {
        sourceFd_.reset();
        return InstallResult::InvalidSource;
    }
    size_ = sourceStat_.st_size;
    if (size_ < BookHeader::size) return InstallResult::InvalidSource;
    // The folder is reached without following a link: a BOOK that leads
    // elsewhere would have the book written onto the computer.
    if (!folderGiven_) folderFd_ = folder_.empty() ? UniqueFd() : openBookFolder(folder_);
    if (!folderFd_.isOpen()) return InstallResult::NoBookFolder;
    if (isReadOnlyFileSystem(folderFd_.get())) return InstallResult::ReadOnly;
    struct statvfs fs;
    if (fstatvfs(folderFd_.get(), &fs) == 0 &&
        static_cast<std::uint64_t>(size_) > std::uint64_t{fs.f_bavail} * fs.f_frsize) {
        return InstallResult::NoSpace;
    }
    // Whatever volume this is, the pen reads FAT: gigabytes of copying would
    // only end in a book the pen cannot hold.
    if (size_ > largestPenFile) return InstallResult::TooLarge;
    posix_fadvise(sourceFd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return InstallResult::Installed;
}

bool BookInstaller::sourceUnchanged() const {
    // A file rewritten in place while it was copied would leave a book that
    // is neither its old nor its new version.
    struct stat now;
    return fstat(sourceFd_.get(), &now) == 0 && now.st_ino == sourceStat_.st_ino &&
           now.st_dev == sourceStat_.st_dev && now.st_size == sourceStat_.st_size &&
           sameTime(now.st_mtim, sourceStat_.st_mtim) && sameTime(now.st_ctim, sourceStat_.st_ctim);
}

InstallResult BookInstaller::install(const InstallCallbacks& callbacks, const CopyCheck& check) {
    if (!sourceFd_.isOpen() || size_ < BookHeader::size) return InstallResult::InvalidSource;
    if (!folderFd_.isOpen()) return InstallResult::NoBookFolder;
    const int folder = folderFd_.get();
    removeStaleInstallTemporaries(folder);

    std::string temporary;
    UniqueFd file = createInstallTemporary(folder, temporary);
    if (!file.isOpen()) return writeFailed(folder, errno);

    InstallResult result = copyInto(file.get(), callbacks, check);
    if (result == InstallResult::Installed && !sourceUnchanged()) result = InstallResult::Failed;
    if (result == InstallResult::Installed && check.accept && !check.accept()) {
        result = InstallResult::Failed;
    }
    if (result == InstallResult::Installed) {
        if (callbacks.flushing) callbacks.flushing();
        if (fsync(file.get()) != 0) result = writeFailed(folder, errno);
    }
    bool named = false;
    if (result == InstallResult::Installed) {
        const int renamed = renameNoReplace(folder, temporary.c_str(), targetName_.c_str());
        named = renamed == 0;
        if (renamed == EEXIST)
            result = InstallResult::Taken;
        else if (renamed != 0)
            result = writeFailed(folder, renamed);
    }
    if (!named) unlinkat(folder, temporary.c_str(), 0);
    forgetInstallTemporary();
    // The lock goes with the last close, once the file has its name or is gone.
    if (!file.close() && named) {
        unlinkat(folder, targetName_.c_str(), 0);
        return InstallResult::Failed;
    }
    if (result != InstallResult::Installed) return result;
    // The new name is only safe on the pen once the folder is written too. A
    // file system that cannot sync folders says EINVAL, and keeps names anyway.
    if (fsync(folder) != 0 && errno != EINVAL) {
        const InstallResult failed = writeFailed(folder, errno);
        unlinkat(folder, targetName_.c_str(), 0);
        return failed;
    }
    return InstallResult::Installed;
}

InstallResult BookInstaller::copyInto(int fileFd, const InstallCallbacks& callbacks,
                                      const CopyCheck& check) {
    const std::unique_ptr<char[]> buffer(new char[blockSize]);
    const std::int64_t chunks = chunkCount();
    std::int64_t chunk = 0;
    std::int64_t offset = 0;
    do {
        if (callbacks.cancelled && callbacks.cancelled()) return InstallResult::Cancelled;
        const std::int64_t want = std::min(blockSize, size_ - offset);
        // A source that shrank since it was checked would leave a cut-off book.
        if (readAt(sourceFd_.get(), buffer.get(), want, offset) != want)
            return InstallResult::Failed;
        if (check.blockRead) check.blockRead(buffer.get(), want);
        if (offset == 0 && customPackage_) writeLabelField(buffer.get());
        if (offset == 0 && check.rewriteFirst) check.rewriteFirst(buffer.get(), want);
        if (!writeAll(fileFd, buffer.get(), want)) return writeFailed(folderFd_.get(), errno);
        offset += want;
        // Chunk i ends at (i + 1) * 1024 or at the end of the file; the last
        // one, empty when the size is a multiple of 1024, ends with the file.
        while (chunk < chunks && std::min((chunk + 1) * installChunkSize, size_) <= offset) {
            if (callbacks.chunkWritten) callbacks.chunkWritten(chunk);
            ++chunk;
        }
    } while (offset < size_);
    return InstallResult::Installed;
}

}  // namespace penshelf
