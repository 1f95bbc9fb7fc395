// Big5ToGB over arbitrary bytes: the result keeps the input's length, every byte that is
// not part of a converted pair is copied, and no read leaves the input or the table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cvcode/cvcode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::string out = cvcode::Big5ToGB(in);
    if (out.size() != in.size()) std::abort();
    // Without any lead byte the text is plain and must come back unchanged.
    bool lead = false;
    for (unsigned char c : in) lead = lead || c >= 0xA1;
    if (!lead && out != in) std::abort();
    return 0;
}
