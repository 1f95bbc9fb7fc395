#include "winui/hidden_window_win.h"

namespace winui {

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
    window_.reset(CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, instance, nullptr));
    if (window_) SetWindowLongPtrW(window_.get(), 0, reinterpret_cast<LONG_PTR>(owner));
}

HiddenWindow::~HiddenWindow() {
    if (window_) SetWindowLongPtrW(window_.get(), 0, 0);
}

}  // namespace winui
