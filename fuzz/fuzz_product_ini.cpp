// libFuzzer target: the identity code reader on a volume whose SYS/product.ini holds the rest of
// the fuzzer's bytes. The first byte chooses how the volume is laid out: the plain file, or a
// link, a folder or a FIFO where a regular file or folder should be. Aborts when a code is read
// from anything but a regular product.ini reached without a link, or when a code is not bytes
// 13 to 23 of a file of at least 25 bytes.
#include "FuzzFolder.h"

#include "device/ProductIni.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace penshelf;

namespace {

enum class Layout {
    Plain,         // SYS/product.ini, a regular file
    LinkedSys,     // SYS, a link to a folder holding product.ini
    LinkedIni,     // SYS/product.ini, a link to a regular file
    IniIsFolder,   // SYS/product.ini, a folder
    IniIsFifo,     // SYS/product.ini, a FIFO
    SysIsFile,     // SYS, a regular file
    NoSys,         // no SYS at all
    VolumeIsLink,  // the volume's path is itself a link to a plain volume: the mount point
                   // is given by the system, so this one is followed
    Count
};

// Makes the volume at run/vol; the product.ini's bytes are `ini`. Everything the layouts need
// besides the volume lies in run/elsewhere.
void makeVolume(int runFd, Layout layout, std::string_view ini, const std::string& run) {
    if (mkdirat(runFd, "vol", 0755) != 0 && layout != Layout::VolumeIsLink) std::abort();
    if (mkdirat(runFd, "elsewhere", 0755) != 0) std::abort();
    const int vol = openat(runFd, "vol", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int elsewhere = openat(runFd, "elsewhere", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (vol < 0 || elsewhere < 0) std::abort();
    bool made = true;
    switch (layout) {
        case Layout::Plain:
        case Layout::VolumeIsLink:
            made = mkdirat(vol, "SYS", 0755) == 0 &&
                   fuzz::writeNewFile(vol, "SYS/product.ini", ini.data(), ini.size());
            break;
        case Layout::LinkedSys:
            made = mkdirat(elsewhere, "SYS", 0755) == 0 &&
                   fuzz::writeNewFile(elsewhere, "SYS/product.ini", ini.data(), ini.size()) &&
                   symlinkat((run + "/elsewhere/SYS").c_str(), vol, "SYS") == 0;
            break;
        case Layout::LinkedIni:
            made = mkdirat(vol, "SYS", 0755) == 0 &&
                   fuzz::writeNewFile(elsewhere, "product.ini", ini.data(), ini.size()) &&
                   symlinkat((run + "/elsewhere/product.ini").c_str(), vol, "SYS/product.ini") == 0;
            break;
        case Layout::IniIsFolder:
            made = mkdirat(vol, "SYS", 0755) == 0 && mkdirat(vol, "SYS/product.ini", 0755) == 0;
            break;
        case Layout::IniIsFifo:
            made = mkdirat(vol, "SYS", 0755) == 0 && mkfifoat(vol, "SYS/product.ini", 0644) == 0;
            break;
        case Layout::SysIsFile:
            made = fuzz::writeNewFile(vol, "SYS", ini.data(), ini.size());
            break;
        case Layout::NoSys:
        case Layout::Count:
            break;
    }
    close(vol);
    close(elsewhere);
    if (!made) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const std::string run = fuzz::runFolder();
    static const int runFd = open(run.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (runFd < 0) std::abort();
    const auto layout = static_cast<Layout>(data[0] % static_cast<int>(Layout::Count));
    const std::string_view ini(reinterpret_cast<const char*>(data + 1), size - 1);

    std::string volume = run + "/vol";
    if (layout == Layout::VolumeIsLink) {
        if (mkdirat(runFd, "real", 0755) != 0 || symlinkat((run + "/real").c_str(), runFd, "vol"))
            std::abort();
    }
    makeVolume(runFd, layout, ini, run);
    // A mount point comes with or without its final slash.
    if (data[0] & 0x80) volume += '/';

    const std::string code = identityCodeFrom(volume);

    for (const char* name : {"vol", "elsewhere", "real"}) {
        fuzz::removeEntry(runFd, name);
        fuzz::expectRemoved(run + "/" + name);
    }

    const bool readable =
        (layout == Layout::Plain || layout == Layout::VolumeIsLink) && ini.size() >= 25;
    if (code.size() > 11) std::abort();
    if (code != (readable ? ini.substr(13, 11) : std::string_view())) std::abort();
    return 0;
}
