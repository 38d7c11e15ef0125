// libFuzzer target: the catalogue of a pen's BOOK/ folder built from the fuzzer's bytes, in a
// folder of its own below the run's folder, made anew for each input and removed after it.
//
// The input is a list of entries, each a kind byte followed by its fields. A field runs up to a
// backslash followed by any byte but a backslash (both are dropped; "\\" stands for one
// backslash), or to the end of the input:
//   f NAME CONTENT   a regular file
//   d NAME           a folder: the entries after it go inside it, up to a "u"
//   u                back to the enclosing folder
//   l NAME TARGET    a link; TARGET's first byte chooses one of the targets below
//   p NAME           a FIFO
// Any other kind byte is skipped. An input starting with "!" makes BOOK itself a link to a folder
// outside it. The tree is bounded: a few entries, short names and contents, little depth.
//
// Beside BOOK/ lie packages whose name string holds a marker; aborts when a row shows the
// marker (something outside BOOK/ was read), when a row's file is not a regular file below BOOK/
// with a seven-character relative path, or when a row is malformed.
#include "FuzzFolder.h"

#include "books/Catalogue.h"
#include "books/Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace penshelf;

namespace {

constexpr std::size_t maxEntries = 24;
constexpr std::size_t maxDepth = 3;
constexpr std::size_t maxNameBytes = 32;
constexpr std::size_t maxContentBytes = 256;
constexpr std::string_view marker = "OUTSIDE-3f9c";

class Reader {
  public:
    explicit Reader(std::string_view input) : input_(input) {}
    bool atEnd() const { return input_.empty(); }
    char kind() {
        const char c = input_.front();
        input_.remove_prefix(1);
        return c;
    }
    std::string field(std::size_t limit) {
        std::string out;
        while (!input_.empty()) {
            const char c = input_.front();
            input_.remove_prefix(1);
            if (c == '\\' && !input_.empty()) {
                const char next = input_.front();
                input_.remove_prefix(1);
                if (next != '\\') break;
            }
            if (out.size() < limit) out += c;
        }
        return out;
    }

  private:
    std::string_view input_;
};

// A name that stays one entry of its folder.
std::string entryName(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == '\0') c = '_';
    }
    if (name == "." || name == "..") return {};
    return name;
}

// Everything a link may point to lies in this input's folder `in`.
std::string linkTarget(const std::string& in, const std::string& field) {
    const unsigned char choice = field.empty() ? 0 : static_cast<unsigned char>(field[0]);
    switch (choice % 8) {
        case 0:
            return in + "/outside";
        case 1:
            return in + "/outside/001.vxr";
        case 2:
            return in + "/outside.vxr";
        case 3:
            return in + "/BOOK";
        case 4:
            return in + "/missing";
        case 5:
            return "001.vxr";
        case 6:
            return ".";
        default:
            return "..";
    }
}

void build(int bookFd, const std::string& in, std::string_view input) {
    Reader reader(input);
    std::vector<int> folders{bookFd};
    std::size_t entries = 0;
    while (!reader.atEnd() && entries < maxEntries) {
        const char kind = reader.kind();
        const int here = folders.back();
        if (kind == 'u') {
            if (folders.size() > 1) {
                close(folders.back());
                folders.pop_back();
            }
            continue;
        }
        if (kind != 'f' && kind != 'd' && kind != 'l' && kind != 'p') continue;
        ++entries;
        const std::string name = entryName(reader.field(maxNameBytes));
        if (kind == 'f') {
            const std::string content = reader.field(maxContentBytes);
            if (!name.empty())
                fuzz::writeNewFile(here, name.c_str(), content.data(), content.size());
        } else if (kind == 'l') {
            const std::string target = linkTarget(in, reader.field(1));
            if (!name.empty()) symlinkat(target.c_str(), here, name.c_str());
        } else if (kind == 'p') {
            if (!name.empty()) mkfifoat(here, name.c_str(), 0644);
        } else if (!name.empty() && folders.size() <= maxDepth &&
                   mkdirat(here, name.c_str(), 0755) == 0) {
            const int fd =
                openat(here, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0) std::abort();
            folders.push_back(fd);
        }
    }
    for (std::size_t i = 1; i < folders.size(); ++i) close(folders[i]);
}

// Packages outside BOOK/ that a row must never show.
void makeOutside(int inFd) {
    const std::string named = "VXB" + std::string(marker);
    const std::string shared = "ATT" + std::string(marker);
    if (mkdirat(inFd, "outside", 0755) != 0 ||
        !fuzz::writeNewFile(inFd, "outside/001.vxr", named.data(), named.size()) ||
        !fuzz::writeNewFile(inFd, "outside/002.vxs", shared.data(), shared.size()) ||
        !fuzz::writeNewFile(inFd, "outside.vxr", named.data(), named.size())) {
        std::abort();
    }
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

void checkRow(const ListData& row, const std::string& pathZiro) {
    if (row.name.find(marker) != std::string::npos) std::abort();
    if (!startsWith(row.file, pathZiro)) std::abort();
    const std::string_view relative = std::string_view(row.file).substr(pathZiro.size());
    if (utf8Characters(relative).size() != 7) std::abort();
    for (std::size_t start = 0; start <= relative.size();) {
        const std::size_t end = std::min(relative.find('/', start), relative.size());
        const std::string_view part = relative.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") std::abort();
        start = end + 1;
    }
    struct stat st;
    if (lstat(row.file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) std::abort();
    if (row.type != "vxb") std::abort();
    if (row.flag == "D") {
        if (!startsWith(row.stat, customStatPrefix)) std::abort();
    } else if (row.flag == "S") {
        if (!startsWith(row.stat, smartStatPrefix)) std::abort();
    } else if (row.flag == "E") {
        if (!startsWith(row.stat, customStatPrefix) && !startsWith(row.stat, smartStatPrefix))
            std::abort();
        if (row.name.empty() || row.name.back() != ')') std::abort();
    } else {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // A marker written by the fuzzer itself would show up rightly.
    if (input.find(marker) != std::string_view::npos) return 0;
    static const std::string run = fuzz::runFolder();
    static const int runFd = open(run.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (runFd < 0) std::abort();
    const std::string in = run + "/in";

    if (mkdirat(runFd, "in", 0755) != 0) std::abort();
    const int inFd = openat(runFd, "in", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (inFd < 0) std::abort();
    makeOutside(inFd);
    const bool bookIsLink = !input.empty() && input.front() == '!';
    if (bookIsLink) {
        input.remove_prefix(1);
        if (symlinkat((in + "/outside").c_str(), inFd, "BOOK") != 0) std::abort();
    } else {
        if (mkdirat(inFd, "BOOK", 0755) != 0) std::abort();
        const int bookFd = openat(inFd, "BOOK", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (bookFd < 0) std::abort();
        build(bookFd, in, input);
        close(bookFd);
    }
    close(inFd);

    const std::string pathZiro = in + "/BOOK/";
    const std::vector<ListData> rows = listBookFolder(pathZiro);
    if (bookIsLink && !rows.empty()) std::abort();
    for (const ListData& row : rows) checkRow(row, pathZiro);

    fuzz::removeEntry(runFd, "in");
    fuzz::expectRemoved(in);
    return 0;
}
