#pragma once
// The SHA-256 an entry line of the remote list may carry after its size, as
// one more field "sha256=<64 hex digits>". Programs that do not know it read
// no field past the size, so a list with hashes still serves them.

#include <optional>
#include <string>

#include "trust/sha256.h"

namespace update {

struct EntryHash {
    bool Present = false;  // the entry names a hash
    bool Valid = false;    // ... and it is 64 hex digits
    trust::Sha256Digest Digest{};
};

// Looks at the fields after field sizeField for the first "sha256=" one;
// other fields there are left to later programs.
EntryHash FindEntryHash(const std::string& entry, int sizeField);

}  // namespace update
