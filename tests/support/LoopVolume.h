#pragma once
// A small ext4 volume on a loop device with an empty BOOK/ folder, standing in for a pen's disk
// where a test needs a real file system of its own: one that fills up or turns read-only. Needs
// root.

#include "support/TempDir.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace penshelf::test {

inline bool runQuietly(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// What a shell command printed, its last newline removed; nothing when it failed.
inline std::optional<std::string> commandOutput(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    while (const size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    if (out.ends_with('\n')) out.pop_back();
    return pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
}

class LoopVolume {
  public:
    // mountOptions: more options for mount -o, "errors=remount-ro" say.
    static std::unique_ptr<LoopVolume> make(int kibibytes, std::string& why,
                                            const std::string& mountOptions = "") {
        if (geteuid() != 0) {
            why = "loop-mounting a small volume needs root";
            return nullptr;
        }
        auto volume = std::unique_ptr<LoopVolume>(new LoopVolume);
        std::filesystem::create_directory(volume->root);
        if (!runQuietly("truncate -s " + std::to_string(kibibytes) + "K " + volume->image) ||
            !runQuietly("mkfs.ext4 -q -F -b 1024 -N 32 " + volume->image) ||
            !volume->mount(mountOptions)) {
            why = "cannot loop-mount an ext4 image here (mkfs.ext4, loop devices, mount)";
            return nullptr;
        }
        std::filesystem::create_directory(volume->book);
        return volume;
    }
    ~LoopVolume() {
        if (mounted_) runQuietly("umount " + root);
    }
    // mode: "ro" or "rw".
    bool remount(const std::string& mode) const {
        return runQuietly("mount -o remount," + mode + " " + root);
    }
    // The loop device's name, "loop3" say.
    std::string device() const {
        const std::string source = commandOutput("findmnt -n -o SOURCE " + root).value_or("");
        return source.substr(source.rfind('/') + 1);
    }
    // An error as the kernel meets one on a damaged disk: under errors=remount-ro the file system
    // refuses writes from then on.
    bool forceError() const {
        std::ofstream trigger("/sys/fs/ext4/" + device() + "/trigger_fs_error");
        return static_cast<bool>(trigger << "1" << std::flush);
    }

    TempDir dir;
    std::string image = dir / "pen.img";
    std::string root = dir / "pen";
    std::string book = root + "/BOOK/";

  private:
    LoopVolume() = default;
    bool mount(const std::string& options) {
        return mounted_ = runQuietly("mount -o loop" + (options.empty() ? "" : "," + options) +
                                     " " + image + " " + root);
    }
    bool mounted_ = false;
};

#define MAKE_LOOP_VOLUME(name, kibibytes, ...)                                         \
    std::string why;                                                                   \
    const auto name =                                                                  \
        ::penshelf::test::LoopVolume::make(kibibytes, why __VA_OPT__(, ) __VA_ARGS__); \
    if (!name) GTEST_SKIP() << "skipped: " << why;

}  // namespace penshelf::test
