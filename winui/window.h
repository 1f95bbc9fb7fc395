#pragma once
// The base of every window of ours. Its window procedure is the boundary
// between Windows and our code: whatever a handler throws stops at it and goes
// to the application's error policy, never through Windows' own frames.

#include <windows.h>

namespace winui {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }

protected:
    // Creates the window with our class; the procedure routes to HandleMessage.
    void CreateHandle(DWORD exStyle, DWORD style, const wchar_t* caption, int x, int y, int width,
                      int height, HWND parent);
    void DestroyHandle();

    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
};

}  // namespace winui
