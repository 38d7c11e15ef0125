// libFuzzer target: the reader of a backup's manifest, which may come from anywhere. Aborts when
// an accepted manifest names a book by anything but a plain NNN.vxr or NNN.vxs entry, or does
// not read back the same after being written again.
#include "books/BackupManifest.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace penshelf;

namespace {

bool sameBooks(const BackupManifest& a, const BackupManifest& b) {
    if (a.books.size() != b.books.size()) return false;
    for (std::size_t i = 0; i < a.books.size(); ++i) {
        const BackupBook& x = a.books[i];
        const BackupBook& y = b.books[i];
        if (x.entry != y.entry || x.number != y.number || x.kind != y.kind || x.name != y.name ||
            x.size != y.size || x.sha256 != y.sha256) {
            return false;
        }
    }
    return a.identityCode == b.identityCode && a.product == b.product && a.date == b.date;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ManifestReading reading =
        readBackupManifest(std::string_view(reinterpret_cast<const char*>(data), size));
    if (reading.manifest.has_value() != (reading.error == ManifestError::None)) std::abort();
    if (!reading.manifest) return 0;
    for (const BackupBook& book : reading.manifest->books) {
        if (!isPlainBookEntry(book.entry)) std::abort();
    }
    const ManifestReading again = readBackupManifest(writeBackupManifest(*reading.manifest));
    if (!again.manifest || !sameBooks(*reading.manifest, *again.manifest)) std::abort();
    return 0;
}
