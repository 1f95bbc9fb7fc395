// launcher.exe itself: the main menu shows, the settings and update windows
// wait hidden, the update button shows the update window, and closing the main
// menu ends the program with code 0.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "tests/launcher/launcher_fixture.h"

namespace {

using namespace launcher_test;
using Program = GameFolder;

struct Windows {
    DWORD process;
    std::map<std::wstring, HWND> byTitle;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* found = reinterpret_cast<Windows*>(lp);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    wchar_t title[64] = {};
    if (process == found->process && GetWindowTextW(hwnd, title, 64) > 0) {
        found->byTitle[title] = hwnd;
    }
    return TRUE;
}

TEST_F(Program, StartsWithItsWindowsAndEndsWhenTheMainMenuCloses) {
    std::string unixPath = SELVANE_LAUNCHER_EXE;  // the build tree, as wine's drive Z:
    std::wstring exe = L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
    std::replace(exe.begin(), exe.end(), L'/', L'\\');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                               dir_.wstring().c_str(), &startup, &process));

    Windows found{process.dwProcessId, {}};
    for (int i = 0; i < 200 && !(found.byTitle.count(L"NORVALE") &&
                                 IsWindowVisible(found.byTitle[L"NORVALE"]));
         ++i) {
        Sleep(50);
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    }
    ASSERT_TRUE(found.byTitle.count(L"NORVALE"));
    ASSERT_TRUE(found.byTitle.count(L"Setup"));
    EXPECT_FALSE(IsWindowVisible(found.byTitle[L"Setup"]));
    ASSERT_TRUE(found.byTitle.count(L"update"));
    EXPECT_FALSE(IsWindowVisible(found.byTitle[L"update"]));

    // The update button (left 67, top 240, 158 x 54) shows the update window
    // modally: the main menu is disabled while it is up.
    const HWND menu = found.byTitle[L"NORVALE"];
    const HWND update = found.byTitle[L"update"];
    PostMessageW(menu, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(146, 267));
    PostMessageW(menu, WM_LBUTTONUP, 0, MAKELPARAM(146, 267));
    for (int i = 0; i < 200 && !IsWindowVisible(update); ++i) {
        Sleep(50);
    }
    EXPECT_TRUE(IsWindowVisible(update));
    EXPECT_FALSE(IsWindowEnabled(menu));

    PostMessageW(found.byTitle[L"NORVALE"], WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
