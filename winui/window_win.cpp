#include "winui/window.h"

#include <exception>

#include "core/exception.h"
#include "winui/application.h"

namespace winui {
namespace {

constexpr wchar_t kClassName[] = L"SelvaneWindow";

}  // namespace

Window::~Window() { DestroyHandle(); }

void Window::CreateHandle(DWORD exStyle, DWORD style, const wchar_t* caption, int x, int y,
                          int width, int height, HWND parent) {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    if (atom == 0) {
        throw selvane::Exception("Cannot register the window class");
    }
    HWND hwnd = CreateWindowExW(exStyle, kClassName, caption, style, x, y, width, height, parent,
                                nullptr, GetModuleHandleW(nullptr), this);
    if (hwnd == nullptr) {
        throw selvane::Exception("Cannot create a window");
    }
}

void Window::DestroyHandle() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    try {
        return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
        if (msg == WM_PAINT) {
            ValidateRect(hwnd, nullptr);  // else the same paint comes back forever
        }
        return 0;
    }
}

}  // namespace winui
