#pragma once
// A hidden message window that keeps its owning object in its extra data: a
// zero-size pop-up tool window at 0,0 without title or parent. Its class is
// registered on first use in the process. Destroying it first unhooks the
// owner, so a message still dispatched to it finds no object.

#include <windows.h>

#include "winui/handles.h"

namespace winui {

class HiddenWindow {
public:
    HiddenWindow(const wchar_t* className, WNDPROC proc, void* owner);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    HWND get() const { return window_.get(); }

    // The object stored by the constructor, or nullptr once unhooked.
    template <class T>
    static T* OwnerOf(HWND hwnd) {
        return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, 0));
    }

private:
    UniqueWindow window_;
};

}  // namespace winui
