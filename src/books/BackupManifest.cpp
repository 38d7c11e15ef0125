#include "books/BackupManifest.h"

#include "books/Json.h"
#include "books/Sha256.h"
#include "books/Text.h"
#include "books/FileIo.h"
#include "books/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

namespace penshelf {
namespace {

// What a message quotes of a text from the manifest: a hostile one can be long.
std::string quoted(std::string_view text) {
    constexpr size_t shown = 40;
    const auto characters = utf8Characters(text);
    std::string out;
    for (size_t i = 0; i < characters.size() && i < shown; ++i) out += characters[i];
    return characters.size() > shown ? out + "…" : out;
}

ManifestReading refused(ManifestError error, std::string detail) {
    return {std::nullopt, error, std::move(detail)};
}

const std::string* stringMember(const JsonValue& object, std::string_view key) {
    const JsonValue* value = object.member(key);
    return value && value->kind == JsonValue::Kind::String ? &value->text : nullptr;
}

// A member that may be a string or null; false when it is neither.
bool optionalString(const JsonValue& object, std::string_view key,
                    std::optional<std::string>& out) {
    const JsonValue* value = object.member(key);
    if (!value || value->kind == JsonValue::Kind::Null) return true;
    if (value->kind != JsonValue::Kind::String) return false;
    out = value->text;
    return true;
}

bool isKind(const std::string& kind) {
    return kind == "custom" || kind == "smart" || kind == "shared";
}

}  // namespace

bool isPlainBookEntry(std::string_view entry) {
    if (entry.size() != 7 || entry[3] != '.') return false;
    for (size_t i = 0; i < 3; ++i) {
        if (entry[i] < '0' || entry[i] > '9') return false;
    }
    const std::string ext = foldedEntry(entry.substr(4));
    return ext == "vxr" || ext == "vxs";
}

std::string foldedEntry(std::string_view entry) {
    std::string folded(entry);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

std::string writeBackupManifest(const BackupManifest& manifest) {
    const auto orNull = [](const std::optional<std::string>& text) {
        return text ? jsonString(*text) : std::string("null");
    };
    std::string out = "{\n";
    out += "  \"format\": " + jsonString(backupFormatName) + ",\n";
    out += "  \"version\": " + std::to_string(backupFormatVersion) + ",\n";
    out += "  \"identityCode\": " + orNull(manifest.identityCode) + ",\n";
    out += "  \"product\": " + orNull(manifest.product) + ",\n";
    out += "  \"date\": " + jsonString(manifest.date) + ",\n";
    out += "  \"books\": [";
    for (size_t i = 0; i < manifest.books.size(); ++i) {
        const BackupBook& book = manifest.books[i];
        out += i == 0 ? "\n" : ",\n";
        out += "    {\"entry\": " + jsonString(book.entry) +
               ", \"number\": " + jsonString(book.number) + ", \"kind\": " + jsonString(book.kind) +
               ", \"name\": " + jsonString(book.name) + ", \"size\": " + std::to_string(book.size) +
               ", \"sha256\": " + jsonString(book.sha256) + "}";
    }
    out += manifest.books.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

ManifestReading readBackupManifest(std::string_view bytes) {
    const std::optional<JsonValue> root = parseJson(bytes);
    if (!root) return refused(ManifestError::NotJson, {});
    const std::string* format = stringMember(*root, "format");
    if (!format || *format != backupFormatName) {
        return refused(ManifestError::NotAManifest, "format");
    }
    const JsonValue* version = root->member("version");
    if (!version || version->kind != JsonValue::Kind::Number) {
        return refused(ManifestError::NotAManifest, "version");
    }
    if (version->wholeNumber() != std::uint64_t{backupFormatVersion}) {
        return refused(ManifestError::UnknownVersion, quoted(version->text));
    }

    BackupManifest manifest;
    if (!optionalString(*root, "identityCode", manifest.identityCode)) {
        return refused(ManifestError::NotAManifest, "identityCode");
    }
    if (!optionalString(*root, "product", manifest.product)) {
        return refused(ManifestError::NotAManifest, "product");
    }
    const std::string* date = stringMember(*root, "date");
    if (!date) return refused(ManifestError::NotAManifest, "date");
    manifest.date = *date;
    const JsonValue* books = root->member("books");
    if (!books || books->kind != JsonValue::Kind::Array) {
        return refused(ManifestError::NotAManifest, "books");
    }

    // Folded: a pen's FAT takes 001.vxr and 001.VXR for one file.
    std::set<std::string> seen;
    for (const JsonValue& item : books->items) {
        const std::string* entry = stringMember(item, "entry");
        if (!entry) return refused(ManifestError::NotAManifest, "books: entry");
        if (!isPlainBookEntry(*entry) || !seen.insert(foldedEntry(*entry)).second) {
            return refused(ManifestError::BadEntry, quoted(*entry));
        }
        BackupBook book;
        book.entry = *entry;
        const std::string* number = stringMember(item, "number");
        const std::string* kind = stringMember(item, "kind");
        const std::string* name = stringMember(item, "name");
        const JsonValue* size = item.member("size");
        const std::string* sha256 = stringMember(item, "sha256");
        const auto fault = [&](const char* field) {
            return refused(ManifestError::NotAManifest, quoted(*entry) + ": " + field);
        };
        if (!number || *number != entry->substr(0, 3)) return fault("number");
        if (!kind || !isKind(*kind)) return fault("kind");
        if (!name) return fault("name");
        if (!size || !size->wholeNumber()) return fault("size");
        if (!sha256 || !isSha256Hex(*sha256)) return fault("sha256");
        book.number = *number;
        book.kind = *kind;
        book.name = *name;
        book.size = *size->wholeNumber();
        book.sha256 = *sha256;
        manifest.books.push_back(std::move(book));
    }
    return {std::move(manifest), ManifestError::None, {}};
}

ManifestReading readBackupManifestAt(int folderFd) {
    const UniqueFd file(openat(folderFd, backupManifestName,
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st;
    if (!file.isOpen()) {
        const bool missing = errno == ENOENT || errno == ELOOP || errno == ENOTDIR;
        return refused(missing ? ManifestError::Missing : ManifestError::Unreadable, {});
    }
    if (fstat(file.get(), &st) != 0) return refused(ManifestError::Unreadable, {});
    if (!S_ISREG(st.st_mode)) return refused(ManifestError::Missing, {});
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxManifestSize) {
        return refused(ManifestError::Unreadable, {});
    }
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    if (readAt(file.get(), bytes.data(), st.st_size, 0) != st.st_size) {
        return refused(ManifestError::Unreadable, {});
    }
    return readBackupManifest(bytes);
}

}  // namespace penshelf
