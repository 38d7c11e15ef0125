#pragma once
// What the user is told of each install outcome, by the install window and by
// penshelf-cli. Both say the window's Chinese where they agree; where the
// command line says more (what to do, or why a file cannot be read) it says
// it in its own words, and the row below holds both.

#include "books/InstallPlan.h"
#include "texts/Texts.h"

#include <cstring>
#include <string>

namespace penshelf {

namespace texts {
// What a command that would write says of a pen whose volume refuses writes.
inline constexpr const char* penReadOnlyCommandLine =
    "the pen is mounted read-only (its file system may be damaged: try penshelf-cli check); "
    "nothing was written";
}  // namespace texts

enum class Program { Window, CommandLine };

// What the message of an outcome names besides the outcome.
struct InstallDetails {
    std::string number;  // the number refused, for NumberTaken
    int error = 0;       // errno, for SourceUnreadable
};

// The message for outcome as program shows it; empty for Installed.
inline std::string installMessage(InstallOutcome outcome, Program program,
                                  const InstallDetails& details = {}) {
    const bool window = program == Program::Window;
    switch (outcome) {
        case InstallOutcome::Installed:
            return {};
        // The window is opened only for a package the user picked; a file that
        // cannot be read is, to it, an invalid package.
        case InstallOutcome::NotPackage:
            return window ? texts::bookFileInvalid : "not a .vxb book package";
        case InstallOutcome::SourceMissing:
            return window ? texts::bookFileInvalid : "no such file";
        case InstallOutcome::SourceUnreadable:
            return window ? texts::bookFileInvalid
                          : std::string("cannot read the file: ") + std::strerror(details.error);
        case InstallOutcome::NumberNotDigits:
            return texts::numberNotDigits;
        case InstallOutcome::NumberNotThreeDigits:
            return texts::numberNotThreeDigits;
        case InstallOutcome::NumberTaken:
            if (window) return texts::numberTaken;
            // Appended piece by piece: GCC 12 sees overlapping copies in a chain of +.
            return std::string(texts::numberTaken)
                .append(" (number ")
                .append(details.number)
                .append(" is taken; choose another with --number)");
        case InstallOutcome::InvalidSource:
            return texts::bookFileInvalid;
        case InstallOutcome::NoBookFolder:
            return window ? texts::installFailed
                          : "the pen has no BOOK folder of its own (missing, or a link to "
                            "elsewhere); nothing was written";
        case InstallOutcome::ReadOnly:
            return window ? texts::penReadOnly : texts::penReadOnlyCommandLine;
        case InstallOutcome::NoSpace:
            return texts::penSpaceTooSmall;
        case InstallOutcome::TooLarge:
            return texts::bookFileTooLarge;
        case InstallOutcome::Failed:
            break;
    }
    return texts::installFailed;
}

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
        case InstallOutcome::Failed:
            break;
    }
    return false;
}

}  // namespace penshelf
