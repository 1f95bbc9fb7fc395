// Starts wine desktops for the tests in the 32-bit session, and waits for
// them as long as they need (run by wine-run.sh):
//   wine_desktop.exe hold
//       starts the desktop process of the default desktop, waits until it
//       takes input and a window can be made, says "ready" on standard
//       output, and stays until the desktop process ends (wineserver -k at
//       the end of the session): staying keeps the desktop, which wine
//       closes a second after its last other user has gone. It must be the
//       first to start a desktop process in the wineserver's life.
//   wine_desktop.exe run NAME PROGRAM [ARGS...]
//       the same for a desktop of its own named NAME (on the display of this
//       process), then runs PROGRAM on it; the exit code is PROGRAM's. For
//       programs that need a screen other than the held desktop's.
// Left to itself, wine starts the desktop process on the first window of a
// program and gives it 10 s; in software emulation on a busy machine that is
// not enough, and the program gets no window at all.
// A failure is told on standard error with the exit code 125.

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>

namespace {

// How long a desktop process may take to come up before the session is
// declared broken; a fresh prefix in an emulated VM on a loaded machine has
// been seen to need about a minute.
constexpr DWORD kDesktopReadyMs = 300'000;
constexpr DWORD kDesktopCloseMs = 60'000;
constexpr int kFailed = 125;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct DesktopCloser {
    void operator()(HDESK desktop) const { CloseDesktop(desktop); }
};
using UniqueDesktop = std::unique_ptr<std::remove_pointer_t<HDESK>, DesktopCloser>;

struct ArgvFreer {
    void operator()(wchar_t** argv) const { LocalFree(argv); }
};

class Failure {
public:
    explicit Failure(const char* what) : what_(what), error_(GetLastError()) {}
    int Report() const {
        std::fprintf(stderr, "wine_desktop: %s (error %lu)\n", what_, error_);
        return kFailed;
    }

private:
    const char* what_;
    DWORD error_;
};

// One argument as the C runtime of the started program splits it again.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

UniqueHandle Start(std::wstring command, const wchar_t* desktop, bool with_std_handles) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring desktop_name = desktop ? desktop : L"";
    startup.lpDesktop = desktop ? desktop_name.data() : nullptr;
    if (with_std_handles) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, with_std_handles, 0, nullptr,
                        nullptr, &startup, &started)) {
        throw Failure("cannot start a process");
    }
    CloseHandle(started.hThread);
    return UniqueHandle(started.hProcess);
}

bool Running(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

// Starts the desktop process of DESKTOP (the default one when null) and
// returns once it runs the desktop and a window of this thread's desktop
// can be made.
UniqueHandle StartDesktopProcess(const wchar_t* desktop) {
    UniqueHandle process = Start(L"C:\\windows\\system32\\explorer.exe /desktop", desktop, false);
    const DWORD idle = WaitForInputIdle(process.get(), kDesktopReadyMs);
    // A desktop process that finds its desktop already run by another one
    // ends at once.
    if (idle != 0 || !Running(process.get())) {
        const Failure failure(idle == WAIT_TIMEOUT ? "the desktop process did not come up in time"
                                                   : "the desktop process ended while coming up");
        TerminateProcess(process.get(), 1);
        throw failure;
    }
    // Only a probe: no window of this process stays on the tests' desktop.
    const UniqueWindow probe(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                                             nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!probe) {
        const Failure failure("no window can be made on the desktop");
        TerminateProcess(process.get(), 1);
        throw failure;
    }
    return process;
}

int Hold() {
    const UniqueHandle desktop_process = StartDesktopProcess(nullptr);
    std::puts("ready");
    std::fflush(stdout);
    // Messages are still answered while waiting, should any come.
    HANDLE waited = desktop_process.get();
    while (MsgWaitForMultipleObjects(1, &waited, FALSE, INFINITE, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    return 0;
}

int Run(const wchar_t* name, wchar_t** program_argv, int program_argc) {
    // This thread is a user of the new desktop from the start, so that wine
    // does not close it before the program has come.
    const UniqueDesktop desktop(CreateDesktopW(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    if (!desktop || !SetThreadDesktop(desktop.get())) {
        throw Failure("cannot make the desktop");
    }
    const UniqueHandle desktop_process = StartDesktopProcess(name);
    std::wstring command;
    for (int i = 0; i < program_argc; ++i) {
        command += (i ? L" " : L"") + Quoted(program_argv[i]);
    }
    const UniqueHandle program = Start(command, name, true);
    WaitForSingleObject(program.get(), INFINITE);
    DWORD code = kFailed;
    GetExitCodeProcess(program.get(), &code);
    // The desktop process ends before its display does (wine-run.sh ends
    // that next); one that does not is ended.
    PostMessageW(GetDesktopWindow(), WM_CLOSE, 0, 0);
    if (WaitForSingleObject(desktop_process.get(), kDesktopCloseMs) != WAIT_OBJECT_0) {
        TerminateProcess(desktop_process.get(), 1);
    }
    return static_cast<int>(code);
}

}  // namespace

int main() {
    int argc = 0;
    const std::unique_ptr<wchar_t*, ArgvFreer> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    const std::wstring mode = argv && argc > 1 ? argv.get()[1] : L"";
    try {
        if (mode == L"hold" && argc == 2) {
            return Hold();
        }
        if (mode == L"run" && argc >= 4) {
            return Run(argv.get()[2], argv.get() + 3, argc - 3);
        }
    } catch (const Failure& failure) {
        return failure.Report();
    }
    std::fputs("usage: wine_desktop.exe hold | run NAME PROGRAM [ARGS...]\n", stderr);
    return kFailed;
}
