#include "app/DownloadName.h"

#include <QDir>
#include <QFileInfo>

namespace penshelf {
namespace {

// Room for " (n)" and the partial download's suffix within a name of 255 bytes.
constexpr qsizetype maxNameBytes = 200;
constexpr qsizetype maxExtensionLength = 16;

// "book.vxb" -> "book" and ".vxb"; a name without a dot, or whose only dot
// leads, has no extension.
std::pair<QString, QString> splitExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || name.size() - dot > maxExtensionLength) return {name, QString()};
    return {name.left(dot), name.mid(dot)};
}

bool occupied(const QString& path) {
    const QFileInfo file(path);
    return file.exists() || file.isSymLink();
}

}  // namespace

QString plainDownloadName(const QString& suggested) {
    QString name = suggested.mid(std::max(suggested.lastIndexOf(QLatin1Char('/')),
                                          suggested.lastIndexOf(QLatin1Char('\\'))) +
                                 1);
    for (QChar& c : name) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            c = QLatin1Char('_');
        }
    }
    // A leading dot would hide the file, and "." or ".." are no files at all.
    while (!name.isEmpty() && (name.front() == QLatin1Char('.') || name.front().isSpace())) {
        name.remove(0, 1);
    }
    name = name.trimmed();
    auto [stem, extension] = splitExtension(name);
    while (!stem.isEmpty() && (stem + extension).toUtf8().size() > maxNameBytes) stem.chop(1);
    // A surrogate pair cut in two is no character.
    if (!stem.isEmpty() && stem.back().isHighSurrogate()) stem.chop(1);
    name = stem.isEmpty() ? QString() : stem + extension;
    return name.isEmpty() ? QStringLiteral("download") : name;
}

QString unusedDownloadName(const QString& folder, const QString& name,
                           const std::function<bool(const QString& name)>& taken) {
    const QDir dir(folder);
    const auto [stem, extension] = splitExtension(name);
    QString candidate = name;
    for (int n = 1;; ++n) {
        if (!taken(candidate) && !occupied(dir.filePath(candidate)) &&
            !occupied(dir.filePath(partialDownloadName(candidate)))) {
            return candidate;
        }
        candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(extension);
    }
}

QString partialDownloadName(const QString& name) {
    // Qt WebEngine writes a download under its final name with this suffix.
    return name + QStringLiteral(".download");
}

}  // namespace penshelf
