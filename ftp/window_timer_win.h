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
    // Disabling is lazy: the system timer is left running and killed at its
    // next tick, so that switching a timer off and on around every wait costs
    // one call to the system instead of three.
    void SetEnabled(bool value);
    void SetInterval(UINT value);
    void SetOnTimer(std::function<void(TWindowTimer*)> handler);
    bool Enabled() const { return enabled_; }
    UINT Interval() const { return interval_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void UpdateTimer();
    // Kills the system timer unless this timer is on; true when it did.
    bool Disarm();

    winui::HiddenWindow window_;
    UINT interval_ = 1000;
    bool enabled_ = true;
    bool armed_ = false;  // a system timer is set on the window
    std::function<void(TWindowTimer*)> onTimer_;
};

}  // namespace ftp
