#include <windows.h>

#include "core/display_name.h"

namespace selvane {

std::string DisplayName(const std::filesystem::path& file) {
    const std::wstring& wide = file.native();
    if (wide.empty() || wide.size() > 0x7fffffff) return {};
    const int size = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

}  // namespace selvane
