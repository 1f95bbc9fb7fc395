#include "update/entry_hash.h"

#include <algorithm>
#include <string_view>

#include "trust/hex.h"
#include "update/line_field.h"

namespace update {

namespace {

constexpr std::string_view kHashPrefix = "sha256=";

}  // namespace

EntryHash FindEntryHash(const std::string& entry, int sizeField) {
    EntryHash hash;
    for (int n = sizeField + 1;; ++n) {
        const std::string field = LineField(entry, n);
        if (field.empty()) return hash;
        if (field.compare(0, kHashPrefix.size(), kHashPrefix) != 0) continue;
        hash.Present = true;
        const auto bytes = trust::FromHex(std::string_view(field).substr(kHashPrefix.size()));
        if (bytes && bytes->size() == hash.Digest.size()) {
            hash.Valid = true;
            std::copy(bytes->begin(), bytes->end(), hash.Digest.begin());
        }
        return hash;
    }
}

}  // namespace update
