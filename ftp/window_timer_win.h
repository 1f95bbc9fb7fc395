#pragma once
// TWindowTimer: a window-message timer on a hidden window of its own. Its tick
// arrives only while the thread's message queue is pumped, so a loop that does
// not pump cannot be interrupted by it.

#include <windows.h>

#include <exception>
#include <functional>

namespace ftp {

// A hidden window that keeps its owning object in its extra data: a zero-size
// pop-up tool window at 0,0 without title or parent, of a class registered
// once per process. Destroying it first unhooks the owner, so a message that
// is still dispatched to it finds no object.
class HiddenWindow {
public:
    HiddenWindow(const wchar_t* className, WNDPROC proc, void* owner);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

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

    HiddenWindow window_;
    UINT interval_ = 1000;
    bool enabled_ = true;
    std::function<void(TWindowTimer*)> onTimer_;
};

}  // namespace ftp
