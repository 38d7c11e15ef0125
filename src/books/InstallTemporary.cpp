#include "books/InstallTemporary.h"

#include "books/Catalogue.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace penshelf {
namespace {

constexpr std::string_view prefix = ".penshelf-";
constexpr std::string_view suffix = ".part";

// The installs under way, one slot per thread copying, for a signal
// handler: only lock-free atomic loads and stores.
struct RunningInstall {
    std::atomic<bool> claimed{false};
    std::atomic<int> folderFd{-1};
    char name[64];
};
constexpr std::size_t runningSlots = 64;
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
RunningInstall running[runningSlots];
thread_local RunningInstall* thisThreadsInstall = nullptr;

void remember(int folderFd, const char* name) {
    if (!thisThreadsInstall) {
        for (RunningInstall& slot : running) {
            if (!slot.claimed.exchange(true)) {
                thisThreadsInstall = &slot;
                break;
            }
        }
    }
    // More copies at once than slots: this one is not cleaned up on a signal.
    if (!thisThreadsInstall) return;
    thisThreadsInstall->folderFd = -1;
    std::memcpy(thisThreadsInstall->name, name, sizeof thisThreadsInstall->name);
    thisThreadsInstall->folderFd = folderFd;
}

// An open-file-description lock on the whole file: held by the writer's open
// file until it is closed, whichever process or thread asks.
bool lockWholeFile(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

UniqueFd createInstallTemporary(int folderFd, std::string& name) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char text[64];
        std::snprintf(text, sizeof text, ".penshelf-%08x.part", entropy());
        // Remembered before it exists: a signal that another thread takes
        // between the two would otherwise leave the file behind.
        remember(folderFd, text);
        UniqueFd file(openat(folderFd, text, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!file.isOpen()) {
            // Whatever has this name is not ours to remove.
            const int error = errno;
            forgetInstallTemporary();
            if (error == EEXIST) continue;
            errno = error;
            return file;
        }
        name = text;
        if (!lockWholeFile(file.get(), F_WRLCK)) {
            // Without its lock the file would look abandoned to another cleaner.
            unlinkat(folderFd, text, 0);
            forgetInstallTemporary();
            return UniqueFd();
        }
        return file;
    }
    return UniqueFd();
}

bool isInstallTemporaryName(const std::string& name) {
    return name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
           name.ends_with(suffix);
}

void forgetInstallTemporary() {
    if (!thisThreadsInstall) return;
    thisThreadsInstall->folderFd = -1;
    thisThreadsInstall->claimed = false;
    thisThreadsInstall = nullptr;
}

void removeInterruptedInstall() {
    for (RunningInstall& slot : running) {
        const int folderFd = slot.folderFd.exchange(-1);
        if (folderFd >= 0) unlinkat(folderFd, slot.name, 0);
    }
}

void removeStaleInstallTemporaries(int folderFd) {
    std::vector<std::string> candidates;
    for (FolderListing listing = FolderListing::of(folderFd);
         const dirent* entry = listing.next();) {
        if (isInstallTemporaryName(entry->d_name)) candidates.emplace_back(entry->d_name);
    }

    for (const std::string& name : candidates) {
        // A read lock can only be had while nobody holds the writer's lock.
        const UniqueFd file(
            openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st;
        if (!file.isOpen() || fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (lockWholeFile(file.get(), F_RDLCK)) unlinkat(folderFd, name.c_str(), 0);
    }
}

void removeStaleInstallTemporaries(const std::string& pathZiro) {
    if (pathZiro.empty()) return;
    const UniqueFd folder = openBookFolder(pathZiro);
    if (folder.isOpen()) removeStaleInstallTemporaries(folder.get());
}

}  // namespace penshelf
