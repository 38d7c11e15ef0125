#include "books/Catalogue.h"

#include "books/BookHeader.h"
#include "books/Text.h"
#include "books/UniqueFd.h"
#include "books/Volumes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <functional>
#include <optional>
#include <unordered_map>

namespace penshelf {
namespace {

// A package's path relative to BOOK/ is seven characters, as in 001.vxr or
// X/1.vxr. A folder whose relative path is already six characters or more
// cannot hold one, so the walk goes no deeper than that.
constexpr size_t packagePathLength = 7;
constexpr size_t deepestFolderLength = packagePathLength - 2;

bool mayBeFolder(const dirent& entry) {
    return entry.d_type == DT_DIR || entry.d_type == DT_UNKNOWN;  // links are never followed
}

struct Entry {
    std::string path;    // relative to the folder walked
    size_t length;       // of path, in characters
    unsigned char type;  // as the listing gives it (DT_REG, DT_DIR, ..., DT_UNKNOWN)
};

// Calls visit(entry) for every entry below the folder, each entry before the
// entries inside it.
void walk(FolderListing& folder, const std::string& relative,
          const std::function<void(const Entry&)>& visit) {
    while (const dirent* entry = folder.next()) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path =
            relative.empty() ? std::string(name) : relative + "/" + entry->d_name;
        const size_t length = utf8Characters(path).size();
        visit(Entry{path, length, entry->d_type});
        if (length > deepestFolderLength || !mayBeFolder(*entry)) continue;
        // O_NOFOLLOW: a link, even one put there since the listing, stays unfollowed.
        FolderListing sub{UniqueFd(
            openat(folder.fd(), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))};
        if (sub.isOpen()) walk(sub, path, visit);
    }
}

bool startsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A shared package names its target by number; a target that is a path could
// make the catalogue read outside the folder, so such a target has no name.
// An empty target names the file that is only the extension, such as ".vxr".
bool isPlainTarget(const std::string& target) {
    return target.find('/') == std::string::npos && target.find("..") == std::string::npos;
}

// One listing of a BOOK/ folder. A shared package's target is nearly always
// another package of the same folder, whose name string the walk reads anyway:
// it is taken from there, and only a target the walk did not see is opened.
class Listing {
  public:
    Listing(int bookFd, const std::string& pathZiro) : bookFd_(bookFd), pathZiro_(pathZiro) {}

    void add(const Entry& entry) {
        // Folders, FIFOs and device nodes carry no name string.
        const bool mayBeFile =
            entry.type == DT_REG || entry.type == DT_LNK || entry.type == DT_UNKNOWN;
        const std::optional<std::string> nameString =
            mayBeFile ? bookNameAt(bookFd_, entry.path, entry.type == DT_REG) : std::nullopt;
        names_.emplace(entry.path, nameString);
        if (!nameString) return;

        const auto chars = utf8Characters(entry.path);
        std::string num, ext;
        for (size_t i = 0; i < 3; ++i) num += chars[i];
        for (size_t i = 4; i < 7; ++i) ext += chars[i];
        ext = asciiLower(ext);

        if (ext != "vxr" && ext != "vxs") return;
        std::string title;
        std::optional<std::string> sharedTarget;
        if (startsWith(*nameString, "ATT")) {
            sharedTarget = nameString->substr(3);  // its title is the target's, read at the end
        } else if (startsWith(*nameString, "VXB")) {
            title = nameString->substr(3);
        } else {
            return;
        }
        packages_.push_back({.file = joinPath(pathZiro_, entry.path),
                             .entry = entry.path,
                             .number = num,
                             .smart = ext == "vxs",
                             .title = std::move(title),
                             .sharedTarget = std::move(sharedTarget)});
    }

    std::vector<ListData> finish() {
        for (BookPackage& package : packages_) {
            // A target without a name still shows its number, so the shared
            // package can be seen and removed.
            if (package.sharedTarget) package.title = targetName(package).value_or("");
        }
        std::vector<ListData> rows;
        rows.reserve(packages_.size());
        for (const BookPackage& package : packages_) rows.push_back(makeListData(package));
        return rows;
    }

  private:
    std::optional<std::string> targetName(const BookPackage& shared) const {
        const std::string& target = *shared.sharedTarget;
        if (!isPlainTarget(target)) return std::nullopt;
        const std::string file = target + (shared.smart ? ".vxs" : ".vxr");
        const auto seen = names_.find(file);
        if (seen != names_.end()) return seen->second;
        return bookNameAt(bookFd_, file);
    }

    int bookFd_;
    const std::string& pathZiro_;
    std::vector<BookPackage> packages_;
    std::unordered_map<std::string, std::optional<std::string>> names_;
};

}  // namespace

std::string penBookFolder(const Volumes& volumes, const std::string& bsdName) {
    const std::string volume = volumes.GetVolumePath(bsdName);
    return volume.empty() ? std::string() : volume + "BOOK/";
}

std::string joinPath(const std::string& folder, const std::string& relative) {
    if (folder.empty()) return relative;
    if (folder.back() == '/') return folder + relative;
    return folder + "/" + relative;
}

UniqueFd openBookFolder(const std::string& pathZiro) {
    std::string folder = pathZiro;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();  // or links are followed
    return UniqueFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

std::vector<ListData> listBookFolder(const std::string& pathZiro) {
    std::vector<ListData> rows;
    if (pathZiro.empty()) return rows;
    const UniqueFd bookFd = openBookFolder(pathZiro);
    if (!bookFd.isOpen()) return rows;
    // Files are opened relative to the folder: no path lookup per file, and
    // the folder stays the same one even if the pen is remounted meanwhile.
    if (FolderListing listing{UniqueFd(dup(bookFd.get()))}; listing.isOpen()) {
        Listing books(bookFd.get(), pathZiro);
        walk(listing, "", [&](const Entry& entry) {
            if (entry.length == packagePathLength) books.add(entry);
        });
        rows = books.finish();
    }
    return rows;
}

}  // namespace penshelf
