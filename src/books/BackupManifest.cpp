#include "books/BackupManifest.h"

#include "books/Sha256.h"
#include "books/Text.h"
#include "books/FileIo.h"
#include "books/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <set>

namespace penshelf {
namespace {

using Json = nlohmann::json;

// Deeper than any manifest.
constexpr std::size_t maxDepth = 32;
// What every JSON reader reads exactly.
constexpr std::uint64_t maxWholeNumber = (std::uint64_t{1} << 53) - 1;

// Reads a document as nlohmann's own parser would, but stops at a key that
// comes twice in one object (which one would count is anyone's guess) and at a
// value nested deeper than maxDepth. nlohmann refuses bytes that are no UTF-8
// and lone surrogates in escapes itself.
class StrictReader final : public nlohmann::json_sax<Json> {
  public:
    Json document;
    // The root's version as written, for the message: 1.00 would read back as 1.0.
    std::string versionText;

    bool null() override { return add(nullptr); }
    bool boolean(bool value) override { return add(value); }
    bool number_integer(number_integer_t value) override {
        // A signed zero can only have been written -0.
        return add(value, value == 0 ? "-0" : std::to_string(value));
    }
    bool number_unsigned(number_unsigned_t value) override {
        return add(value, std::to_string(value));
    }
    bool number_float(number_float_t value, const string_t& text) override {
        return add(value, text);
    }
    bool string(string_t& value) override { return add(std::move(value)); }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return open(Json::object()); }
    bool key(string_t& name) override {
        if (open_.back()->contains(name)) return false;
        key_ = std::move(name);
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

  private:
    // Puts a value in the innermost open container, or makes it the document.
    Json* place(Json value) {
        if (open_.size() > maxDepth) return nullptr;
        if (open_.empty()) return &(document = std::move(value));
        Json& parent = *open_.back();
        if (parent.is_object()) return &(parent[key_] = std::move(value));
        parent.push_back(std::move(value));
        return &parent.back();
    }

    bool add(Json value, std::string_view text = {}) {
        if (open_.size() == 1 && open_[0]->is_object() && key_ == "version") versionText = text;
        return place(std::move(value)) != nullptr;
    }

    // A container stays where it was placed while it is open: its parent
    // gets nothing else until it closes.
    bool open(Json container) {
        Json* placed = place(std::move(container));
        if (placed) open_.push_back(placed);
        return placed != nullptr;
    }

    bool close() {
        open_.pop_back();
        return true;
    }

    std::vector<Json*> open_;  // outermost first
    std::string key_;          // of the member being read in the innermost object
};

// What a message quotes of a text from the manifest: a hostile one can be long.
std::string excerpt(std::string_view text) {
    constexpr size_t shown = 40;
    const auto characters = utf8Characters(text);
    std::string out;
    for (size_t i = 0; i < characters.size() && i < shown; ++i) out += characters[i];
    return characters.size() > shown ? out + "…" : out;
}

ManifestReading refused(ManifestError error, std::string detail) {
    return {std::nullopt, error, std::move(detail)};
}

// The member named key of an object, or null.
const Json* member(const Json& object, std::string_view key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

const std::string* stringMember(const Json& object, std::string_view key) {
    const Json* value = member(object, key);
    return value && value->is_string() ? value->get_ptr<const std::string*>() : nullptr;
}

// A member that may be a string or null; false when it is neither.
bool optionalString(const Json& object, std::string_view key, std::optional<std::string>& out) {
    const Json* value = member(object, key);
    if (!value || value->is_null()) return true;
    if (!value->is_string()) return false;
    out = value->get<std::string>();
    return true;
}

// A number written as plain digits (no sign, fraction or exponent) that every
// reader reads exactly.
std::optional<std::uint64_t> wholeNumber(const Json* value) {
    if (!value || !value->is_number_unsigned()) return std::nullopt;
    const auto n = value->get<std::uint64_t>();
    return n <= maxWholeNumber ? std::optional(n) : std::nullopt;
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
    return asciiLower(std::string(entry));
}

std::string writeBackupManifest(const BackupManifest& manifest) {
    // One member per line and one line per book, for a person reading the
    // file; a byte that is no UTF-8 is written as U+FFFD rather than failing
    // the backup.
    const auto quoted = [](const std::string& text) {
        return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    };
    const auto orNull = [&](const std::optional<std::string>& text) {
        return text ? quoted(*text) : std::string("null");
    };
    std::string out = "{\n";
    out += "  \"format\": " + quoted(backupFormatName) + ",\n";
    out += "  \"version\": " + std::to_string(backupFormatVersion) + ",\n";
    out += "  \"identityCode\": " + orNull(manifest.identityCode) + ",\n";
    out += "  \"product\": " + orNull(manifest.product) + ",\n";
    out += "  \"date\": " + quoted(manifest.date) + ",\n";
    out += "  \"books\": [";
    for (size_t i = 0; i < manifest.books.size(); ++i) {
        const BackupBook& book = manifest.books[i];
        out += i == 0 ? "\n" : ",\n";
        out += "    {\"entry\": " + quoted(book.entry) + ", \"number\": " + quoted(book.number) +
               ", \"kind\": " + quoted(book.kind) + ", \"name\": " + quoted(book.name) +
               ", \"size\": " + std::to_string(book.size) + ", \"sha256\": " + quoted(book.sha256) +
               "}";
    }
    out += manifest.books.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

ManifestReading readBackupManifest(std::string_view bytes) {
    // nlohmann skips a byte order mark, which JSON text has none of.
    if (bytes.starts_with("\xEF\xBB\xBF")) return refused(ManifestError::NotJson, {});
    StrictReader reader;
    if (!Json::sax_parse(bytes.begin(), bytes.end(), &reader)) {
        return refused(ManifestError::NotJson, {});
    }
    const Json& root = reader.document;
    const std::string* format = stringMember(root, "format");
    if (!format || *format != backupFormatName) {
        return refused(ManifestError::NotAManifest, "format");
    }
    const Json* version = member(root, "version");
    if (!version || !version->is_number()) return refused(ManifestError::NotAManifest, "version");
    if (wholeNumber(version) != std::uint64_t{backupFormatVersion}) {
        return refused(ManifestError::UnknownVersion, excerpt(reader.versionText));
    }

    BackupManifest manifest;
    if (!optionalString(root, "identityCode", manifest.identityCode)) {
        return refused(ManifestError::NotAManifest, "identityCode");
    }
    if (!optionalString(root, "product", manifest.product)) {
        return refused(ManifestError::NotAManifest, "product");
    }
    const std::string* date = stringMember(root, "date");
    if (!date) return refused(ManifestError::NotAManifest, "date");
    manifest.date = *date;
    const Json* books = member(root, "books");
    if (!books || !books->is_array()) return refused(ManifestError::NotAManifest, "books");

    // Folded: a pen's FAT takes 001.vxr and 001.VXR for one file.
    std::set<std::string> seen;
    for (const Json& item : *books) {
        const std::string* entry = stringMember(item, "entry");
        if (!entry) return refused(ManifestError::NotAManifest, "books: entry");
        if (!isPlainBookEntry(*entry) || !seen.insert(foldedEntry(*entry)).second) {
            return refused(ManifestError::BadEntry, excerpt(*entry));
        }
        BackupBook book;
        book.entry = *entry;
        const std::string* number = stringMember(item, "number");
        const std::string* kind = stringMember(item, "kind");
        const std::string* name = stringMember(item, "name");
        const std::optional<std::uint64_t> size = wholeNumber(member(item, "size"));
        const std::string* sha256 = stringMember(item, "sha256");
        const auto fault = [&](const char* field) {
            return refused(ManifestError::NotAManifest, excerpt(*entry) + ": " + field);
        };
        if (!number || *number != entry->substr(0, 3)) return fault("number");
        if (!kind || !isKind(*kind)) return fault("kind");
        if (!name) return fault("name");
        if (!size) return fault("size");
        if (!sha256 || !isSha256Hex(*sha256)) return fault("sha256");
        book.number = *number;
        book.kind = *kind;
        book.name = *name;
        book.size = *size;
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
