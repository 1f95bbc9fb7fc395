#include "ftp/window_timer_win.h"

#include "core/exception.h"

namespace ftp {

std::function<void(const std::exception&)> TWindowTimer::ApplicationErrorHandler;

namespace {
constexpr UINT_PTR kTimerId = 1;
constexpr wchar_t kTimerClass[] = L"WindowTimerClass";
}  // namespace

void RegisterHiddenClass(const wchar_t* name, WNDPROC proc) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW existing{};
    if (GetClassInfoW(instance, name, &existing)) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = sizeof(LONG_PTR);  // the owning object
    wc.hInstance = instance;
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

HWND CreateHiddenWindow(const wchar_t* className, void* owner) {
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd) SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(owner));
    return hwnd;
}

TWindowTimer::TWindowTimer() {
    RegisterHiddenClass(kTimerClass, &TWindowTimer::WindowProc);
    window_ = CreateHiddenWindow(kTimerClass, this);
}

TWindowTimer::~TWindowTimer() {
    enabled_ = false;
    if (window_) {
        KillTimer(window_, kTimerId);
        // The window no longer knows us: a tick already queued is dropped.
        SetWindowLongPtrW(window_, 0, 0);
        DestroyWindow(window_);
    }
}

void TWindowTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TWindowTimer::SetInterval(UINT value) {
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

void TWindowTimer::SetOnTimer(std::function<void(TWindowTimer*)> handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TWindowTimer::UpdateTimer() {
    if (!window_) return;
    KillTimer(window_, kTimerId);
    if (interval_ != 0 && enabled_ && onTimer_) {
        if (SetTimer(window_, kTimerId, interval_, nullptr) == 0) {
            throw selvane::Exception("No Timer");
        }
    }
}

LRESULT CALLBACK TWindowTimer::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        auto* self = reinterpret_cast<TWindowTimer*>(GetWindowLongPtrW(hwnd, 0));
        if (self && self->enabled_ && self->onTimer_) {
            try {
                // A copy: the handler may replace or destroy the timer.
                auto handler = self->onTimer_;
                handler(self);
            } catch (const std::exception& e) {
                if (ApplicationErrorHandler) {
                    try {
                        ApplicationErrorHandler(e);
                    } catch (...) {
                    }
                }
            } catch (...) {
            }
        }
        return 0;
    }
    if (msg == WM_ACTIVATEAPP) return 0;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace ftp
