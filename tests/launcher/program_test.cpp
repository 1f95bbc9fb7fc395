// launcher.exe itself: its windows come up in order, the main menu shows, the
// settings window waits hidden, and closing the main menu ends the program.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/launcher/launcher_fixture.h"

namespace {

using namespace launcher_test;
using Program = GameFolder;

std::wstring WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path.insert(0, "Z:");  // the build tree as wine shows it
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return std::wstring(path.begin(), path.end());
}

struct Found {
    DWORD process;
    std::vector<std::pair<std::wstring, HWND>> windows;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* found = reinterpret_cast<Found*>(lp);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    wchar_t title[64] = {};
    GetWindowTextW(hwnd, title, 64);
    if (process == found->process && title[0] != 0) {
        found->windows.emplace_back(title, hwnd);
    }
    return TRUE;
}

HWND FindTitled(const Found& found, const std::wstring& title) {
    for (const auto& [text, hwnd] : found.windows) {
        if (text == title) {
            return hwnd;
        }
    }
    return nullptr;
}

TEST_F(Program, StartsWithItsWindowsAndEndsWhenTheMainMenuCloses) {
    std::wstring exe = WindowsPath(SELVANE_LAUNCHER_EXE);
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir_.wstring().c_str(), &startup, &process));

    Found found{process.dwProcessId, {}};
    HWND menu = nullptr;
    for (int i = 0; i < 200 && (menu == nullptr || !IsWindowVisible(menu)); ++i) {
        Sleep(50);
        found.windows.clear();
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
        menu = FindTitled(found, L"NORVALE");
    }
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(IsWindowVisible(menu));
    RECT place;
    GetWindowRect(menu, &place);
    EXPECT_EQ(place.left, 365);
    EXPECT_EQ(place.top, 154);
    EXPECT_EQ(place.right - place.left, 290);
    EXPECT_EQ(place.bottom - place.top, 503);
    const HWND settings = FindTitled(found, L"Setup");
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(IsWindowVisible(settings));

    PostMessageW(menu, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
