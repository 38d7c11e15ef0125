#pragma once
// A fresh folder under /tmp for one test, removed with everything in it.

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace penshelf::test {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "penshelf-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::string operator/(const std::string& relative) const { return (path_ / relative).string(); }

  private:
    std::filesystem::path path_;
};

// Returns the path, for a test to hand on.
inline std::string writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

// The names of the entries directly in a folder.
inline std::set<std::string> fileNamesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

using Files = std::map<std::string, std::string>;  // entry -> bytes, "<link>" or "<folder>"

// The entries directly in a folder, with what each holds; links are not followed.
inline Files filesIn(const std::filesystem::path& folder) {
    Files files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files[entry.path().filename().string()] = entry.is_symlink()     ? "<link>"
                                                  : entry.is_directory() ? "<folder>"
                                                                         : readFile(entry.path());
    }
    return files;
}

}  // namespace penshelf::test
