#pragma once
// One package's install onto one pen, checked before a byte is copied: its
// kind, its number, the name it takes in BOOK/ and whether it may go on, or
// the first reason it may not. The install window and penshelf-cli install
// through it, in the same order of checks.

#include "books/Installer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace penshelf {

// Every way an install ends, its checks and its copy alike.
enum class InstallOutcome {
    Installed,             // copied; from planInstall: may be copied
    NotPackage,            // the file's name does not end in .vxb
    SourceMissing,         // there is no such file
    SourceUnreadable,      // the file cannot be opened (InstallPackage::error says why)
    NumberNotDigits,       // the number has something other than 0 to 9
    NumberNotThreeDigits,  // the number is not three digits long
    NumberTaken,           // the pen has its name already, or it was taken during the copy
    InvalidSource,         // the file is no regular file or shorter than a book header
    NoBookFolder,          // the pen has no BOOK folder of its own
    ReadOnly,              // the pen's volume refuses writes
    NoSpace,               // the file is larger than the pen's free space
    TooLarge,              // 4 GiB or more, more than a file on the pen's FAT holds
    Failed,                // the copy failed or the file changed meanwhile; nothing is on the pen
    Cancelled,             // the user stopped the copy; nothing is on the pen
};

InstallOutcome outcomeOf(InstallResult result);

// A package file as its header describes it, read once when it is chosen.
struct InstallPackage {
    std::string path;
    // Installed, or why the file itself cannot be installed: NotPackage,
    // SourceMissing or SourceUnreadable. The command line stops there; the
    // window opens only for a package the user chose and says at Install
    // that a file gone meanwhile is invalid.
    InstallOutcome outcome = InstallOutcome::Installed;
    int error = 0;  // errno of SourceUnreadable
    // ".vxs" for a smart package (nonzero cover OID), else ".vxr": a custom
    // one, whose label field the install writes.
    std::string extBook;
    std::uint16_t defaultTitle = 0;

    bool custom() const { return extBook == ".vxr"; }
    // The number the install offers in bookFolder: the default title when it
    // is 1 to 998, else the lowest number free for its kind.
    std::string proposedNumber(const std::string& bookFolder) const;
};

InstallPackage readInstallPackage(std::string path);

class InstallPlan {
  public:
    InstallPlan(InstallPlan&&) noexcept;
    InstallPlan& operator=(InstallPlan&&) noexcept;
    ~InstallPlan();

    // Installed while the plan may be carried out; the copy's outcome once it ran.
    InstallOutcome outcome() const { return outcome_; }
    // The number checked: the one given, or the proposal.
    const std::string& number() const { return number_; }
    // number + extension, once the number passed its checks; else empty.
    const std::string& entry() const { return entry_; }
    bool custom() const { return custom_; }
    // The package's size and the chunks its copy reports, once it was checked.
    std::int64_t size() const;
    std::int64_t chunkCount() const;

    // Copies the package onto the pen, as BookInstaller::install does.
    InstallOutcome install(const InstallCallbacks& callbacks);

  private:
    friend InstallPlan planInstall(const InstallPackage&, const std::string&,
                                   std::optional<std::string>, const std::function<bool()>&);
    InstallPlan() = default;

    InstallOutcome outcome_ = InstallOutcome::Failed;
    std::string number_;
    std::string entry_;
    bool custom_ = false;
    std::unique_ptr<BookInstaller> installer_;
};

// Plans package into bookFolder under number, or under the proposal when no
// number is given. The checks run in the order the user is told of them: the
// number's form, whether BOOK/ has its name, whether refusesWrites() (the
// platform's view of the volume, when there is one), then the installer's
// own (the file, the folder, a read-only volume, the free space, 4 GiB).
InstallPlan planInstall(const InstallPackage& package, const std::string& bookFolder,
                        std::optional<std::string> number = std::nullopt,
                        const std::function<bool()>& refusesWrites = {});

}  // namespace penshelf
