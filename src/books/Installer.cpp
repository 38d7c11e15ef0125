#include "books/Installer.h"

#include "books/BookHeader.h"
#include "books/FreeSpace.h"
#include "books/NoReplaceRename.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <random>

namespace penshelf {
namespace {

// The chunks are only what the window counts; the data moves in blocks this
// large, so a big package costs a few hundred system calls, not one per chunk.
constexpr std::int64_t blockSize = 1 << 20;
static_assert(blockSize % installChunkSize == 0 && blockSize >= BookHeader::size);

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Closes now and tells whether everything written reached the file system.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_;
};

// Reads up to size bytes at offset; the count read, or -1.
std::int64_t readAt(int fd, char* buffer, std::int64_t size, std::int64_t offset) {
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, buffer + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += n;
    }
    return done;
}

bool writeAll(int fd, const char* buffer, std::int64_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, buffer, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffer += n;
        size -= n;
    }
    return true;
}

// A new file in the folder whose name is never seven characters long, so the
// catalogue cannot list it while it is incomplete; hidden as well.
int createTemporary(int folderFd, std::string& name) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char text[32];
        std::snprintf(text, sizeof text, ".penshelf-%08x.part", entropy());
        name = text;
        const int fd =
            openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
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

}  // namespace

BookInstaller::BookInstaller(std::string source, std::string folder, std::string targetName,
                             bool customPackage)
    : source_(std::move(source)),
      folder_(std::move(folder)),
      targetName_(std::move(targetName)),
      customPackage_(customPackage) {}

BookInstaller::~BookInstaller() {
    if (sourceFd_ >= 0) close(sourceFd_);
}

InstallResult BookInstaller::check() {
    if (sourceFd_ >= 0) close(sourceFd_);
    size_ = 0;
    // O_NONBLOCK: a FIFO chosen as the source must not hang the window.
    sourceFd_ = open(source_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (sourceFd_ < 0) return InstallResult::InvalidSource;
    struct stat st;
    if (fstat(sourceFd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(sourceFd_);
        sourceFd_ = -1;
        return InstallResult::InvalidSource;
    }
    size_ = st.st_size;
    if (size_ < BookHeader::size) return InstallResult::InvalidSource;
    const auto freeBytes = GetFreeSpaceBytes(folder_);
    if (freeBytes && static_cast<std::uint64_t>(size_) > *freeBytes) return InstallResult::NoSpace;
    posix_fadvise(sourceFd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return InstallResult::Installed;
}

InstallResult BookInstaller::install(const InstallCallbacks& callbacks) {
    if (sourceFd_ < 0 || size_ < BookHeader::size) return InstallResult::InvalidSource;
    if (folder_.empty()) return InstallResult::Failed;
    const FileDescriptor folder(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen()) return InstallResult::Failed;

    std::string temporary;
    FileDescriptor file(createTemporary(folder.get(), temporary));
    if (!file.isOpen()) return InstallResult::Failed;

    InstallResult result = copyInto(file.get(), callbacks);
    if (result == InstallResult::Installed) {
        if (callbacks.flushing) callbacks.flushing();
        if (fsync(file.get()) != 0) result = InstallResult::Failed;
    }
    if (!file.close()) result = InstallResult::Failed;
    if (result == InstallResult::Installed) {
        const int renamed = renameNoReplace(folder.get(), temporary.c_str(), targetName_.c_str());
        if (renamed == EEXIST)
            result = InstallResult::Taken;
        else if (renamed != 0)
            result = InstallResult::Failed;
    }
    if (result != InstallResult::Installed) {
        unlinkat(folder.get(), temporary.c_str(), 0);
        return result;
    }
    // The new name is only safe on the pen once the folder is written too. A
    // file system that cannot sync folders says EINVAL, and keeps names anyway.
    if (fsync(folder.get()) != 0 && errno != EINVAL) {
        unlinkat(folder.get(), targetName_.c_str(), 0);
        return InstallResult::Failed;
    }
    return InstallResult::Installed;
}

InstallResult BookInstaller::copyInto(int fileFd, const InstallCallbacks& callbacks) {
    const std::unique_ptr<char[]> buffer(new char[blockSize]);
    const std::int64_t chunks = chunkCount();
    std::int64_t chunk = 0;
    std::int64_t offset = 0;
    do {
        const std::int64_t want = std::min(blockSize, size_ - offset);
        // A source that shrank since it was checked would leave a cut-off book.
        if (readAt(sourceFd_, buffer.get(), want, offset) != want) return InstallResult::Failed;
        if (offset == 0 && customPackage_) writeLabelField(buffer.get());
        if (!writeAll(fileFd, buffer.get(), want)) return InstallResult::Failed;
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
