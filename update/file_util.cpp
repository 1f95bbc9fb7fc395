#include "update/file_util.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/exception.h"

namespace update {

namespace {

std::string DisplayName(const std::filesystem::path& file) {
    const auto u8 = file.u8string();
    return std::string(u8.begin(), u8.end());
}

}  // namespace

std::filesystem::path TempPathFor(const std::filesystem::path& target) {
    std::filesystem::path tmp = target;
    tmp += ".part~";
    return tmp;
}

bool ReplaceWith(const std::filesystem::path& tmp, const std::filesystem::path& target) {
    std::error_code ec;
    std::filesystem::rename(tmp, target, ec);
    if (!ec) return true;
    std::filesystem::remove(tmp, ec);
    return false;
}

void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    const auto tmp = TempPathFor(target);
    bool ok;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        ok = static_cast<bool>(out);
        if (ok) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.close();
            ok = !out.fail();
        }
    }
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(tmp, ec);
        throw selvane::Exception("Cannot create file \"" + DisplayName(target) + "\"");
    }
    if (!ReplaceWith(tmp, target))
        throw selvane::Exception("Cannot create file \"" + DisplayName(target) + "\"");
}

std::string ReadWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw selvane::Exception("Cannot open file \"" + DisplayName(file) + "\"");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw selvane::Exception("Cannot read file \"" + DisplayName(file) + "\"");
    return bytes;
}

}  // namespace update
