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
    if (armed_ && window_.get()) KillTimer(window_.get(), kTimerId);
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
    if (!window_.get() || interval_ == 0 || !enabled_ || !onTimer_) return;  // see Disarm
    // Setting a timer that is set already restarts its interval.
    if (SetTimer(window_.get(), kTimerId, interval_, nullptr) == 0) {
        armed_ = false;
        throw selvane::Exception("No Timer");
    }
    armed_ = true;
}

bool TWindowTimer::Disarm() {
    if (interval_ != 0 && enabled_ && onTimer_) return false;
    // A tick of a timer that was switched off since it was set.
    KillTimer(window_.get(), kTimerId);
    armed_ = false;
    return true;
}

LRESULT CALLBACK TWindowTimer::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        auto* self = winui::HiddenWindow::OwnerOf<TWindowTimer>(hwnd);
        if (self && !self->Disarm()) {
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
