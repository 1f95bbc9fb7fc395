#pragma once
// TWindowTimer: a window-message timer on a hidden window of its own. Its tick
// arrives only while the thread's message queue is pumped, so a loop that does
// not pump cannot be interrupted by it.

#include <windows.h>

#include <functional>

#include "winui/hidden_window_win.h"

namespace ftp {

class TWindowTimer {
public:
    TWindowTimer();
    ~TWindowTimer();
    TWindowTimer(const TWindowTimer&) = delete;
    TWindowTimer& operator=(const TWindowTimer&) = delete;

    // Each setter re-arms the timer only when the value changes (OnTimer:
    // always), so enabling a running timer does not restart its interval.
    // An error escaping OnTimer goes to the application's error policy.
    // Switching the timer off and on around every wait costs no call to the
    // system: the system timer is left set, and each tick is held against
    // the time the next OnTimer is due (a tick of a timer switched off since
    // kills the system timer).
    void SetEnabled(bool value);
    void SetInterval(UINT value);
    void SetOnTimer(std::function<void(TWindowTimer*)> handler);
    bool Enabled() const { return enabled_; }
    UINT Interval() const { return interval_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool Running() const;
    // Restarts the interval after a change.
    void UpdateTimer();
    void SetSystemTimer(UINT period);
    // A tick of the system timer: true when OnTimer is due.
    bool Tick();

    winui::HiddenWindow window_;
    UINT interval_ = 1000;
    bool enabled_ = true;
    DWORD due_ = 0;    // tick count at which OnTimer fires next
    UINT period_ = 0;  // of the system timer set on the window; 0: none
    std::function<void(TWindowTimer*)> onTimer_;
};

}  // namespace ftp
