#include "ftp/window_timer_win.h"

#include <cstdint>

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
    if (period_ != 0 && window_.get()) KillTimer(window_.get(), kTimerId);
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

bool TWindowTimer::Running() const {
    return window_.get() && interval_ != 0 && enabled_ && onTimer_;
}

void TWindowTimer::UpdateTimer() {
    if (!Running()) return;  // a tick that comes anyway kills the system timer
    due_ = GetTickCount() + interval_;
    // A system timer that ticks at least this often ticks again before the
    // due time, which is then checked: no call is needed to restart.
    if (period_ == 0 || period_ > interval_) SetSystemTimer(interval_);
}

void TWindowTimer::SetSystemTimer(UINT period) {
    // Setting a timer that is set already replaces it.
    if (SetTimer(window_.get(), kTimerId, period, nullptr) == 0) {
        period_ = 0;
        throw selvane::Exception("No Timer");
    }
    period_ = period;
}

bool TWindowTimer::Tick() {
    if (!Running()) {
        KillTimer(window_.get(), kTimerId);
        period_ = 0;
        return false;
    }
    const DWORD now = GetTickCount();
    const auto early = static_cast<int32_t>(due_ - now);
    if (early > 0) {
        // Restarted since the system timer was set: wait for the rest.
        if (period_ != static_cast<UINT>(early)) SetSystemTimer(static_cast<UINT>(early));
        return false;
    }
    due_ = now + interval_;
    if (period_ != interval_) SetSystemTimer(interval_);
    return true;
}

LRESULT CALLBACK TWindowTimer::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        auto* self = winui::HiddenWindow::OwnerOf<TWindowTimer>(hwnd);
        if (self) {
            winui::Guarded([self] {
                if (!self->Tick()) return;
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
