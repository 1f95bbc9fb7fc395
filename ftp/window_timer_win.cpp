#include "ftp/window_timer_win.h"

#include "core/exception.h"

namespace ftp {

std::function<void(const std::exception&)> TWindowTimer::ApplicationErrorHandler;

namespace {
constexpr UINT_PTR kTimerId = 1;
constexpr wchar_t kTimerClass[] = L"WindowTimerClass";
}  // namespace

HiddenWindow::HiddenWindow(const wchar_t* className, WNDPROC proc, void* owner) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW existing{};
    if (!GetClassInfoW(instance, className, &existing)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.cbWndExtra = sizeof(LONG_PTR);  // the owning object
        wc.hInstance = instance;
        wc.lpszClassName = className;
        RegisterClassW(&wc);
    }
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, instance, nullptr);
    if (hwnd_) SetWindowLongPtrW(hwnd_, 0, reinterpret_cast<LONG_PTR>(owner));
}

HiddenWindow::~HiddenWindow() {
    if (!hwnd_) return;
    SetWindowLongPtrW(hwnd_, 0, 0);
    DestroyWindow(hwnd_);
}

TWindowTimer::TWindowTimer() : window_(kTimerClass, &TWindowTimer::WindowProc, this) {}

TWindowTimer::~TWindowTimer() {
    enabled_ = false;
    // Killed before its window goes, so no tick outlives the timer.
    if (window_.get()) KillTimer(window_.get(), kTimerId);
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
    if (!window_.get()) return;
    KillTimer(window_.get(), kTimerId);
    if (interval_ != 0 && enabled_ && onTimer_) {
        if (SetTimer(window_.get(), kTimerId, interval_, nullptr) == 0) {
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
