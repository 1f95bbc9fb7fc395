// selvane.exe itself: a second start brings the running updater forward and
// ends at once with code 0, leaving one update window.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/update/temp_dir.h"
#include "tests/winui/jpeg_writer.h"

namespace {

namespace fs = std::filesystem;

struct Found {
    DWORD process;
    int updateWindows = 0;
    HWND chooser = nullptr;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* found = reinterpret_cast<Found*>(lp);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != found->process || !IsWindowVisible(hwnd)) {
        return TRUE;
    }
    wchar_t title[64] = {};
    GetWindowTextW(hwnd, title, 64);
    if (std::wstring(title) == L"update") {
        ++found->updateWindows;
    } else if (title[0] == L'\0') {
        found->chooser = hwnd;
    }
    return TRUE;
}

class Process {
public:
    Process(const fs::path& exe, const fs::path& dir) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
        ok_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             dir.c_str(), &startup, &info_) != FALSE;
    }
    ~Process() {
        if (ok_) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info_.hProcess, 9);
                WaitForSingleObject(info_.hProcess, 10000);
            }
            CloseHandle(info_.hThread);
            CloseHandle(info_.hProcess);
        }
    }
    bool Started() const { return ok_; }
    DWORD Id() const { return info_.dwProcessId; }
    // The exit code once the process ended within timeoutMs, else STILL_ACTIVE.
    DWORD ExitCodeWithin(DWORD timeoutMs) const {
        WaitForSingleObject(info_.hProcess, timeoutMs);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    bool ok_ = false;
    PROCESS_INFORMATION info_{};
};

TEST(Program, SecondStartEndsWithZeroAndTheFirstComesForward) {
    testutil::TempDir dir;
    for (const wchar_t* stem : {L"0c", L"1-1c", L"1-2c", L"2-1c", L"2-2c", L"3-1c", L"3-2c"}) {
        const int side = stem[1] == L'c' ? 400 : 8;
        testing_jpeg::WriteFile(dir.Path / L"upimg" / (stem + std::wstring(L".jpg")),
                                testing_jpeg::Solid(side, side, 30, 60, 90));
    }
    // No server: the run waits in the chooser, which is modal over the window.
    testutil::WriteFile(dir.Path / "isp0.dat", "end\r\n");
    std::string unixPath = SELVANE_UPDATER_EXE;  // the build tree, as wine's drive Z:
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    const fs::path exe = dir.Path / "selvane.exe";
    fs::copy_file(fs::path("Z:" + unixPath), exe);

    Process first(exe, dir.Path);
    ASSERT_TRUE(first.Started());
    Found found{first.Id()};
    for (int i = 0; i < 300 && found.chooser == nullptr; ++i) {
        Sleep(50);  // another process: nothing to wait on but its windows
        found = Found{first.Id()};
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    }
    ASSERT_NE(found.chooser, nullptr);
    const HWND key = FindWindowW(nullptr, L"selvane.exe");
    ASSERT_NE(key, nullptr);

    // Another program's window in front, then the second start.
    const HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                       600, 300, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ(GetForegroundWindow(), other);
    Process second(exe, dir.Path);
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.ExitCodeWithin(20000), 0u);
    EXPECT_EQ(first.ExitCodeWithin(0), STILL_ACTIVE);

    found = Found{first.Id()};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    EXPECT_EQ(found.updateWindows, 1);
    for (int i = 0; i < 100 && GetForegroundWindow() != found.chooser; ++i) {
        Sleep(50);
    }
    EXPECT_EQ(GetForegroundWindow(), found.chooser);
    EXPECT_FALSE(IsWindowVisible(key));
    DestroyWindow(other);
}

}  // namespace
