// The one place of the update engine that needs the system: converting list
// bytes with the ANSI code page.
#include <windows.h>

#include "update/program_path.h"

namespace update {

std::optional<std::filesystem::path::string_type> NameToNative(std::string_view name) {
    if (name.empty()) return std::wstring();
    if (name.size() > 0x7fffffff) return std::nullopt;
    const int size = static_cast<int>(name.size());
    const int wide =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(), size, nullptr, 0);
    if (wide <= 0) return std::nullopt;
    std::wstring result(static_cast<size_t>(wide), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(), size, result.data(), wide) !=
        wide)
        return std::nullopt;
    return result;
}

}  // namespace update
