// The signature file comes from any mirror: its reader must stay inside the
// bytes whatever they are, and what it accepts must write back the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "trust/list_signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = trust::ParseListSignature(text);
    if (parsed) {
        const auto again = trust::ParseListSignature(trust::FormatListSignature(*parsed));
        if (!again || again->Sequence != parsed->Sequence || again->Expires != parsed->Expires ||
            again->Signature != parsed->Signature)
            __builtin_trap();
    }
    return 0;
}
