#include "books/InstallPlan.h"

#include "books/BookHeader.h"
#include "books/BookNumber.h"
#include "books/UniqueFd.h"

#include <fcntl.h>

#include <cerrno>

namespace penshelf {
namespace {

InstallOutcome outcomeOf(NumberCheck check) {
    switch (check) {
        case NumberCheck::NotDigits:
            return InstallOutcome::NumberNotDigits;
        case NumberCheck::NotThreeDigits:
            return InstallOutcome::NumberNotThreeDigits;
        case NumberCheck::Taken:
            return InstallOutcome::NumberTaken;
        case NumberCheck::Valid:
            break;
    }
    return InstallOutcome::Installed;
}

}  // namespace

InstallOutcome outcomeOf(InstallResult result) {
    switch (result) {
        case InstallResult::Installed:
            return InstallOutcome::Installed;
        case InstallResult::InvalidSource:
            return InstallOutcome::InvalidSource;
        case InstallResult::NoSpace:
            return InstallOutcome::NoSpace;
        case InstallResult::TooLarge:
            return InstallOutcome::TooLarge;
        case InstallResult::Taken:
            return InstallOutcome::NumberTaken;
        case InstallResult::NoBookFolder:
            return InstallOutcome::NoBookFolder;
        case InstallResult::ReadOnly:
            return InstallOutcome::ReadOnly;
        case InstallResult::Cancelled:
            return InstallOutcome::Cancelled;
        case InstallResult::Failed:
            break;
    }
    return InstallOutcome::Failed;
}

std::string InstallPackage::proposedNumber(const std::string& bookFolder) const {
    return proposeBookNumber(bookFolder, defaultTitle, extBook);
}

InstallPackage readInstallPackage(std::string path) {
    InstallPackage package;
    package.path = std::move(path);
    if (!isBookPackageSource(package.path)) {
        package.outcome = InstallOutcome::NotPackage;
    } else if (const UniqueFd fd(
                   open(package.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
               !fd.isOpen()) {
        package.error = errno;
        package.outcome =
            errno == ENOENT ? InstallOutcome::SourceMissing : InstallOutcome::SourceUnreadable;
    }
    // A header too short to hold a field reads as zeros: the copy's own check
    // refuses such a file.
    package.extBook = GetBookType(package.path);
    package.defaultTitle = GetBookDefaultTitle(package.path).value_or(0);
    return package;
}

InstallPlan::InstallPlan(InstallPlan&&) noexcept = default;
InstallPlan& InstallPlan::operator=(InstallPlan&&) noexcept = default;
InstallPlan::~InstallPlan() = default;

std::int64_t InstallPlan::size() const {
    return installer_ ? installer_->size() : 0;
}

std::int64_t InstallPlan::chunkCount() const {
    return installer_ ? installer_->chunkCount() : 0;
}

InstallOutcome InstallPlan::install(const InstallCallbacks& callbacks) {
    if (outcome_ != InstallOutcome::Installed || !installer_) return outcome_;
    outcome_ = outcomeOf(installer_->install(callbacks));
    return outcome_;
}

InstallPlan planInstall(const InstallPackage& package, const std::string& bookFolder,
                        std::optional<std::string> number,
                        const std::function<bool()>& refusesWrites) {
    InstallPlan plan;
    plan.custom_ = package.custom();
    plan.number_ = number ? std::move(*number) : package.proposedNumber(bookFolder);
    plan.outcome_ = outcomeOf(checkBookNumber(bookFolder, plan.number_, package.extBook));
    if (plan.outcome_ != InstallOutcome::Installed) return plan;
    plan.entry_ = plan.number_ + package.extBook;
    // The pen may have turned read-only since it was listed.
    if (refusesWrites && refusesWrites()) {
        plan.outcome_ = InstallOutcome::ReadOnly;
        return plan;
    }
    plan.installer_ =
        std::make_unique<BookInstaller>(package.path, bookFolder, plan.entry_, plan.custom_);
    plan.outcome_ = outcomeOf(plan.installer_->check());
    return plan;
}

}  // namespace penshelf
