#pragma once
// Gzip members made in memory with zlib, so that tests run the same under
// wine, where the system's gzip tool is out of reach.

#include <zlib.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace testutil {

inline std::string GzipMember(std::string_view data, int level = 6) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int ret = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (ret != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

// Bytes that compress to roughly a third: small words from a fixed generator.
inline std::string SampleText(size_t size, unsigned seed = 1) {
    std::string text;
    text.reserve(size);
    unsigned x = seed * 2654435761u + 1;
    while (text.size() < size) {
        x = x * 1103515245u + 12345u;
        const unsigned len = 2 + (x >> 16) % 7;
        for (unsigned i = 0; i < len && text.size() < size; ++i) {
            x = x * 1103515245u + 12345u;
            text += static_cast<char>('a' + (x >> 16) % 20);
        }
        if (text.size() < size) text += (x >> 8) % 9 == 0 ? '\n' : ' ';
    }
    return text;
}

}  // namespace testutil
