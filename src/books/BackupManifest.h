#pragma once
// The manifest of a pen's backup, penshelf-backup.json beside the book
// files: which pen the books came from, when, and each book with its size
// and SHA-256. Backups come back from anywhere (other computers, old disks,
// hand edits), so the reader trusts nothing: a book's entry must be a plain
// NNN.vxr or NNN.vxs name, which can name nothing outside the folder.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penshelf {

inline constexpr const char* backupManifestName = "penshelf-backup.json";
inline constexpr const char* backupFormatName = "penshelf-backup";
inline constexpr int backupFormatVersion = 1;
// Far above the manifest of a full pen (two books to each of 1000 numbers).
inline constexpr std::size_t maxManifestSize = 4 << 20;

struct BackupBook {
    std::string entry;   // the file's name on the pen and in the backup: 001.vxr, 002.VXS
    std::string number;  // its first three digits
    std::string kind;    // "custom", "smart" or "shared", as the catalogue saw it
    std::string name;    // the book's name as the book table shows it
    std::uint64_t size = 0;
    std::string sha256;  // 64 lowercase hexadecimal digits
};

// How far a copy of books, out of a pen or back onto one, has come.
struct BookCopyProgress {
    std::size_t book = 0;   // the book being copied, counted from 0
    std::size_t books = 0;  // the books to copy
    const BackupBook* current = nullptr;
    std::uint64_t bookDone = 0;  // its bytes copied so far
    std::uint64_t done = 0;      // the bytes of every book copied so far
    std::uint64_t total = 0;
};

struct BackupManifest {
    std::optional<std::string> identityCode;  // none when the pen's bytes are not UTF-8
    std::optional<std::string> product;
    std::string date;  // local time, ISO 8601 with its offset: 2026-12-06T14:03:11+08:00
    std::vector<BackupBook> books;
};

// Whether an entry is a plain book name: three ASCII digits, a point and
// vxr or vxs in any case.
bool isPlainBookEntry(std::string_view entry);

// The entry in lowercase: names that a pen's FAT file system takes for one.
std::string foldedEntry(std::string_view entry);

std::string writeBackupManifest(const BackupManifest& manifest);

enum class ManifestError {
    None,
    Missing,         // no manifest file (or not a regular file) in the folder
    Unreadable,      // it cannot be read, or is larger than any manifest
    NotJson,         // its bytes are no JSON
    NotAManifest,    // JSON, but not a manifest: fields missing or of the wrong kind
    UnknownVersion,  // a manifest of a format version this program does not read
    BadEntry,        // a book's entry is no plain book name, or comes twice (in any case)
};

struct ManifestReading {
    std::optional<BackupManifest> manifest;
    ManifestError error = ManifestError::None;
    std::string detail;  // the field or the entry at fault, or the version
};

// The manifest in bytes, or why they are none.
ManifestReading readBackupManifest(std::string_view bytes);

// The manifest file in the open backup folder, reached without following a link.
ManifestReading readBackupManifestAt(int folderFd);

}  // namespace penshelf
