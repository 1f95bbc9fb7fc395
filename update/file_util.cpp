#include "update/file_util.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "core/display_name.h"
#include "core/exception.h"

namespace update {

std::string ReadWholeFile(const std::filesystem::path& file) {
    using selvane::DisplayName;
    std::ifstream in(file, std::ios::binary);
    if (!in) throw selvane::Exception("Cannot open file \"" + DisplayName(file) + "\"");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw selvane::Exception("Cannot read file \"" + DisplayName(file) + "\"");
    return bytes;
}

int64_t FileSizeOr0(const std::filesystem::path& file) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    return ec ? 0 : static_cast<int64_t>(size);
}

}  // namespace update
