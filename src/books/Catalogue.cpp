#include "books/Catalogue.h"

#include "books/BookHeader.h"
#include "books/Text.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cctype>
#include <functional>
#include <memory>
#include <optional>

namespace penshelf {
namespace {

// A package's path relative to BOOK/ is seven characters, as in 001.vxr or
// X/1.vxr. A folder whose relative path is already six characters or more
// cannot hold one, so the walk goes no deeper than that.
constexpr size_t packagePathLength = 7;
constexpr size_t deepestFolderLength = packagePathLength - 2;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool isFolder(const std::string& path, const dirent& entry) {
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_UNKNOWN) return false;  // links are never followed
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Calls visit(relativePath) for every entry below folder, each entry before
// the entries inside it.
void walk(const std::string& root, const std::string& relative,
          const std::function<void(const std::string&, size_t)>& visit) {
    const std::string folder = relative.empty() ? root : joinPath(root, relative);
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) return;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = relative.empty() ? std::string(name) : relative + "/" + entry->d_name;
        const size_t length = utf8Characters(path).size();
        visit(path, length);
        if (length <= deepestFolderLength && isFolder(joinPath(root, path), *entry)) {
            walk(root, path, visit);
        }
    }
}

std::string asciiLower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool startsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A shared package names its target by number; a target that is a path could
// make the catalogue read outside the folder, so such a target has no name.
bool isPlainTarget(const std::string& target) {
    return !target.empty() && target.find('/') == std::string::npos &&
           target.find("..") == std::string::npos;
}

std::optional<ListData> rowFor(const std::string& pathZiro, const std::string& relative) {
    const auto chars = utf8Characters(relative);
    ListData row;
    row.file = joinPath(pathZiro, relative);
    row.type = "vxb";

    std::string num, ext;
    for (size_t i = 0; i < 3; ++i) num += chars[i];
    for (size_t i = 4; i < 7; ++i) ext += chars[i];
    ext = asciiLower(ext);
    if (ext == "vxr") {
        row.stat = customStatPrefix + num;
        row.flag = "D";
    } else if (ext == "vxs") {
        row.stat = smartStatPrefix + num;
        row.flag = "S";
    } else {
        return std::nullopt;
    }

    const std::optional<std::string> nameString = GetBookName(row.file);
    if (!nameString) return std::nullopt;
    if (startsWith(*nameString, "ATT")) {
        const std::string target = nameString->substr(3);
        std::optional<std::string> targetName;
        if (isPlainTarget(target)) targetName = GetBookName(joinPath(pathZiro, target + "." + ext));
        // A target without a name still shows its number, so the shared
        // package can be seen and removed.
        row.name = targetName.value_or("") + "(" + target + ")";
        row.flag = "E";
    } else if (startsWith(*nameString, "VXB")) {
        row.name = nameString->substr(3);
    } else {
        return std::nullopt;
    }
    return row;
}

}  // namespace

std::string joinPath(const std::string& folder, const std::string& relative) {
    if (folder.empty()) return relative;
    if (folder.back() == '/') return folder + relative;
    return folder + "/" + relative;
}

std::vector<ListData> ListBookFolder(const std::string& pathZiro) {
    std::vector<ListData> rows;
    if (pathZiro.empty()) return rows;
    walk(pathZiro, "", [&](const std::string& relative, size_t length) {
        if (length != packagePathLength) return;
        if (auto row = rowFor(pathZiro, relative)) rows.push_back(std::move(*row));
    });
    return rows;
}

}  // namespace penshelf
