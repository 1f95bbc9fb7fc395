// Feeds arbitrary reply bytes to every parser of server text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ftp/ftp_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ftp::ExtractByteCount(text);
    ftp::ContinuesReply(text);
    ftp::TrimListLine(text);
    ftp::NthField(text, ',', static_cast<int>(size % 8));
    try {
        ftp::ReplyNumberOf(text);
    } catch (const ftp::ERangeError&) {
    }
    try {
        const int port = ftp::PasvPort(text);
        if (port < 0 || port > 65535) __builtin_trap();
    } catch (const ftp::EConvertError&) {
    }
    return 0;
}
