#include "ftp/window_timer_win.h"

#include "core/exception.h"
#include "winui/application.h"

namespace ftp {

namespace {
constexpr UINT_PTR kTimerId = 1;
constexpr wchar_t kTimerClass[] = L"WindowTimerClass";
}  // namespace

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
        auto* self = winui::HiddenWindow::OwnerOf<TWindowTimer>(hwnd);
        if (self && self->enabled_ && self->onTimer_) {
            winui::Guarded([self] {
                // A copy: the handler may replace or destroy the timer.
                auto handler = self->onTimer_;
                handler(self);
            });
        }
        return 0;
    }
    if (msg == WM_ACTIVATEAPP) return 0;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace ftp
