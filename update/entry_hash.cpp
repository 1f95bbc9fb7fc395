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
    // One pass over the line: a list line may hold millions of fields.
    size_t pos = 0;
    for (int n = 0; n < sizeField; ++n) {
        if (NextField(entry, pos).empty()) return hash;
    }
    for (std::string_view field; !(field = NextField(entry, pos)).empty();) {
        if (!field.starts_with(kHashPrefix)) continue;
        hash.Present = true;
        const auto bytes = trust::FromHex(field.substr(kHashPrefix.size()));
        if (bytes && bytes->size() == hash.Digest.size()) {
            hash.Valid = true;
            std::copy(bytes->begin(), bytes->end(), hash.Digest.begin());
        }
        return hash;
    }
    return hash;
}

}  // namespace update
