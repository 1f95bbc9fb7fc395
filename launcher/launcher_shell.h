#pragma once
// What the launcher's windows share: the picture set chosen by the locale and
// the opening of web pages.

#include <string>

namespace launcher {

// Chinese (Taiwan): primary language 4 with sublanguage 1. Asked afresh at
// every picture load; the locale values never change during a run.
bool IsTraditionalChinese();

// "c" for the Traditional Chinese pictures, "s" for every other locale.
const wchar_t* PictureSet();

// "mainpic\<stem><set>.jpg", for example MainPicture(L"1-1") -> mainpic\1-1c.jpg.
std::wstring MainPicture(const std::wstring& stem);

// Opens a page (file or address) with the program registered for HTML files.
// False when the registry names no program; otherwise true, whatever the
// shell then makes of it.
bool OpenWebPage(const std::wstring& page);

// The game's home page.
inline constexpr wchar_t kHomePage[] = L"https://www.norvale.example/";

}  // namespace launcher
