#pragma once
// Copying one pen's books onto another goes through the computer, as a backup
// of the one restored onto the other: every book is checked against its
// digest on the way and the restore's rules hold (books already there left
// alone, a conflict skipped or renumbered, shared packages kept pointing at
// their book). Unless the user keeps it, the backup lives in a folder of its
// own in the user's cache and goes with the copy.

#include <optional>
#include <string>

namespace penshelf {

class PenCopyFolder {
  public:
    // A new, empty folder under $XDG_CACHE_HOME/penshelf (or ~/.cache), or
    // nothing with error set to the errno.
    static std::optional<PenCopyFolder> make(int& error);

    PenCopyFolder(PenCopyFolder&& other) noexcept;
    PenCopyFolder& operator=(PenCopyFolder&&) = delete;
    // Removes the files in the folder and the folder itself.
    ~PenCopyFolder();

    const std::string& path() const { return path_; }

  private:
    explicit PenCopyFolder(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

}  // namespace penshelf
