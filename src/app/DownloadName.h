#pragma once
// Names for files downloaded from the portal: a page suggests one, the
// download folder decides what the file is called there.

#include <QString>

#include <functional>

namespace penshelf {

// The suggested name as a plain file name: only what follows its last "/" or
// "\", without leading dots or blanks, control characters replaced, and short
// enough for the file system. "download" when nothing is left.
QString plainDownloadName(const QString& suggested);

// name, or else "stem (1).ext", "stem (2).ext" … as browsers do: the first
// that nothing in folder has, neither as a file (a dangling link included)
// nor as a partial download, and that taken() does not claim.
QString unusedDownloadName(const QString& folder, const QString& name,
                           const std::function<bool(const QString& name)>& taken);

// What a download is called in its folder until it has arrived whole.
QString partialDownloadName(const QString& name);

}  // namespace penshelf
