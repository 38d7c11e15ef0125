#pragma once
// What the user is told when a book package number is refused or an install
// does not go through: the install window and penshelf-cli say the same.

#include "books/BookNumber.h"
#include "books/Installer.h"
#include "texts/SharedTexts.h"

namespace penshelf {

inline const char* messageFor(NumberCheck check) {
    switch (check) {
        case NumberCheck::NotDigits:
            return texts::numberNotDigits;
        case NumberCheck::NotThreeDigits:
            return texts::numberNotThreeDigits;
        case NumberCheck::Taken:
            return texts::numberTaken;
        case NumberCheck::Valid:
            break;
    }
    return "";
}

inline const char* messageFor(InstallResult result) {
    switch (result) {
        case InstallResult::InvalidSource:
            return texts::bookFileInvalid;
        case InstallResult::NoSpace:
            return texts::penSpaceTooSmall;
        case InstallResult::TooLarge:
            return texts::bookFileTooLarge;
        case InstallResult::Taken:
            return texts::numberTaken;
        case InstallResult::ReadOnly:
            return texts::penReadOnly;
        case InstallResult::NoBookFolder:
        case InstallResult::Failed:
            return texts::installFailed;
        case InstallResult::Installed:
            break;
    }
    return "";
}

}  // namespace penshelf
