#include "launcher/launcher_shell.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cwchar>

#include "launcher/web_command.h"
#include "winui/handles.h"
#include "winui/locale.h"

namespace launcher {

bool IsTraditionalChinese() {
    const winui::LocaleValues& locale = winui::Locale();
    return locale.PrimaryLanguage == 4 && locale.SubLanguage == 1;
}

const wchar_t* PictureSet() { return IsTraditionalChinese() ? L"c" : L"s"; }

std::wstring MainPicture(const std::wstring& stem) {
    return L"mainpic\\" + stem + PictureSet() + L".jpg";
}

namespace {

// The default value of HKCR\htmlfile\shell\open\command; empty when the key or
// the value is missing.
std::wstring RegisteredHtmlCommand() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"htmlfile\\shell\\open\\command", 0, KEY_QUERY_VALUE,
                      &opened) != ERROR_SUCCESS) {
        return {};
    }
    const winui::UniqueRegistryKey owner(opened);
    const HKEY key = owner.get();
    std::wstring value;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && bytes >= sizeof(wchar_t)) {
        value.resize(bytes / sizeof(wchar_t));
        if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                             &bytes) != ERROR_SUCCESS) {
            value.clear();
        }
        value.resize(std::wcslen(value.c_str()));  // the stored terminator, if any
    }
    return value;
}

}  // namespace

bool OpenWebPage(const std::wstring& page) {
    const std::wstring command = RegisteredHtmlCommand();
    if (command.empty()) {
        return false;
    }
    const std::wstring program = CutProgramPath(command);
    const std::wstring parameter = PageParameter(page);
    ShellExecuteW(nullptr, L"open", program.c_str(), parameter.c_str(), nullptr, SW_SHOW);
    return true;
}

}  // namespace launcher
