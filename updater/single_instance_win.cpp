#include "updater/single_instance_win.h"

#include "winui/application.h"

namespace updater {
namespace {

// Posted to ourselves: acting inside the show or activation that another
// process caused would fight the system's own handling of it.
constexpr UINT kForward = WM_APP + 1;

struct Search {
    HWND exclude;
    HWND found = nullptr;
};

// Top-level windows come in z-order, top first: the first one that is shown
// and takes input is the one the player was last using (a message box or the
// modal chooser leave the windows beneath them disabled).
BOOL CALLBACK FindUsable(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<Search*>(lp);
    if (hwnd != search->exclude && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool ActivateRunningInstance(const wchar_t* title) {
    const HWND running = FindWindowW(nullptr, title);
    if (running == nullptr) {
        return false;
    }
    SetForegroundWindow(running);
    ShowWindow(running, SW_SHOWDEFAULT);
    return true;
}

ApplicationWindow::ApplicationWindow(const wchar_t* title) {
    // Top-level and never shown: FindWindow sees it, the player does not.
    CreateHandle(WS_EX_TOOLWINDOW, WS_POPUP, title, 0, 0, 0, 0, nullptr);
}

ApplicationWindow::~ApplicationWindow() = default;

LRESULT ApplicationWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SHOWWINDOW:
            if (wp != FALSE) {
                PostMessageW(Handle(), kForward, 0, 0);
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) {
                PostMessageW(Handle(), kForward, 0, 0);
            }
            break;
        case kForward:
            ForwardToUsableWindow();
            return 0;
        default:
            break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

void ApplicationWindow::ForwardToUsableWindow() {
    if (IsWindowVisible(Handle())) {
        ShowWindow(Handle(), SW_HIDE);
    }
    Search search{Handle()};
    EnumThreadWindows(GetCurrentThreadId(), FindUsable, reinterpret_cast<LPARAM>(&search));
    HWND target = search.found;
    if (target == nullptr) {
        const winui::Form* main = winui::Application::Instance().MainForm();
        target = main != nullptr && IsWindowVisible(main->Handle()) ? main->Handle() : nullptr;
    }
    if (target == nullptr) {
        return;  // nothing shown yet (or any more): nothing to bring forward
    }
    if (IsIconic(target)) {
        ShowWindow(target, SW_RESTORE);
    }
    SetForegroundWindow(target);
    BringWindowToTop(target);
}

}  // namespace updater
