#pragma once
// What the user is told of each install outcome, by the install window and by
// penshelf-cli. Both say the window's Chinese where they agree; where the
// command line says more (what to do, or why a file cannot be read) it says
// it in its own words, and the row below holds both.

#include "books/InstallPlan.h"
#include "texts/Message.h"
#include "texts/SharedTexts.h"

namespace penshelf {

namespace texts {
// What a command that would write says of a pen whose volume refuses writes.
inline constexpr const char* penReadOnlyCommandLine = CLI_TEXT(
    "the pen is mounted read-only (its file system may be damaged: try penshelf-cli check); "
    "nothing was written");
}  // namespace texts

namespace texts {

// What each program says of an install outcome; nothing for Installed. In
// penshelf-cli's text %1 is the number refused and %2 why the file could not
// be read.
inline Message messageFor(InstallOutcome outcome) {
    switch (outcome) {
        case InstallOutcome::Installed:
            return {nullptr, nullptr};
        // The window is opened only for a package the user picked; a file that
        // cannot be read is, to it, an invalid package.
        case InstallOutcome::NotPackage:
            return {bookFileInvalid, CLI_TEXT("not a .vxb book package")};
        case InstallOutcome::SourceMissing:
            return {bookFileInvalid, CLI_TEXT("no such file")};
        case InstallOutcome::SourceUnreadable:
            return {bookFileInvalid, CLI_TEXT("cannot read the file: %2")};
        case InstallOutcome::NumberNotDigits:
            return {numberNotDigits, numberNotDigits};
        case InstallOutcome::NumberNotThreeDigits:
            return {numberNotThreeDigits, numberNotThreeDigits};
        case InstallOutcome::NumberTaken:
            return {numberTaken, CLI_TEXT("number %1 is taken; choose another with --number")};
        case InstallOutcome::InvalidSource:
            return {bookFileInvalid, bookFileInvalid};
        case InstallOutcome::NoBookFolder:
            return {
                installFailed,
                CLI_TEXT("the pen has no BOOK folder of its own (missing, or a link to elsewhere); "
                         "nothing was written")};
        case InstallOutcome::ReadOnly:
            return {penReadOnly, penReadOnlyCommandLine};
        case InstallOutcome::NoSpace:
            return {penSpaceTooSmall, penSpaceTooSmall};
        case InstallOutcome::TooLarge:
            return {bookFileTooLarge, bookFileTooLarge};
        case InstallOutcome::Cancelled:
            return {installCancelled, CLI_TEXT("cancelled; nothing of it is on the pen")};
        case InstallOutcome::Failed:
            break;
    }
    return {installFailed, installFailed};
}

}  // namespace texts

// Whether the user can mend outcome by choosing another file or number (the
// command line's exit status 1), rather than it being the pen's failure (2).
inline bool isUsersMistake(InstallOutcome outcome) {
    switch (outcome) {
        case InstallOutcome::NotPackage:
        case InstallOutcome::SourceMissing:
        case InstallOutcome::SourceUnreadable:
        case InstallOutcome::NumberNotDigits:
        case InstallOutcome::NumberNotThreeDigits:
        case InstallOutcome::NumberTaken:
        case InstallOutcome::InvalidSource:
        case InstallOutcome::TooLarge:
            return true;
        case InstallOutcome::Installed:
        case InstallOutcome::NoBookFolder:
        case InstallOutcome::ReadOnly:
        case InstallOutcome::NoSpace:
        case InstallOutcome::Cancelled:
        case InstallOutcome::Failed:
            break;
    }
    return false;
}

}  // namespace penshelf
