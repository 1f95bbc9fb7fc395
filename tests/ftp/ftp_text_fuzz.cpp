// Feeds arbitrary reply bytes to every parser of server text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ftp/ftp_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ftp::ExtractByteCount(text);
    ftp::ContinuesReply(text);
    ftp::TrimListLine(text);
    ftp::NthField(text, ',', static_cast<int>(size % 8));
    // A local name taken from a remote one never keeps a folder or a colon.
    const std::wstring wide(text.begin(), text.end());
    if (const auto name = ftp::LocalNameFromRemote(wide)) {
        if (name->empty() || name->find_first_of(L"/\\:") != std::wstring::npos) __builtin_trap();
    }
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
