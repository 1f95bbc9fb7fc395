#pragma once
// Byte strings in a given code page to and from the wide API. Chinese texts
// are kept as Big5 (950) or GB2312 (936) bytes and shown through the W
// functions, so they read correctly whatever the system's ANSI code page is.

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace winui {

inline constexpr UINT kBig5 = 950;
inline constexpr UINT kGb2312 = 936;

std::wstring Widen(std::string_view bytes, UINT codePage = CP_ACP);
std::string Narrow(std::wstring_view text, UINT codePage = CP_ACP);

// The running program file, however long its path.
std::filesystem::path ProgramFile();

// The folder of the running program file.
std::filesystem::path ProgramDir();

}  // namespace winui
