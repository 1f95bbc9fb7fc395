#pragma once
// TWindowTimer: a window-message timer on a hidden window of its own. Its tick
// arrives only while the thread's message queue is pumped, so a loop that does
// not pump cannot be interrupted by it.

#include <windows.h>

#include <exception>
#include <functional>

namespace ftp {

class TWindowTimer {
public:
    TWindowTimer();
    ~TWindowTimer();
    TWindowTimer(const TWindowTimer&) = delete;
    TWindowTimer& operator=(const TWindowTimer&) = delete;

    // Each setter re-arms the timer only when the value changes (OnTimer:
    // always), so enabling a running timer does not restart its interval.
    void SetEnabled(bool value);
    void SetInterval(UINT value);
    void SetOnTimer(std::function<void(TWindowTimer*)> handler);
    bool Enabled() const { return enabled_; }
    UINT Interval() const { return interval_; }

    // Where an exception escaping OnTimer goes: the application's error
    // policy. By default it is discarded. It never crosses the window
    // procedure.
    static std::function<void(const std::exception&)> ApplicationErrorHandler;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void UpdateTimer();

    HWND window_ = nullptr;
    UINT interval_ = 1000;
    bool enabled_ = true;
    std::function<void(TWindowTimer*)> onTimer_;
};

// Registers a hidden-window class once per process (no style, room for the
// owning object's pointer in the extra data).
void RegisterHiddenClass(const wchar_t* name, WNDPROC proc);

// A zero-size pop-up tool window at 0,0 without title or parent that keeps
// `owner` in its extra data.
HWND CreateHiddenWindow(const wchar_t* className, void* owner);

}  // namespace ftp
