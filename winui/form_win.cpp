#include "winui/form.h"

#include <windowsx.h>

#include <algorithm>

#include "winui/application.h"
#include "winui/controls.h"
#include "winui/gdi.h"
#include "winui/message_pump.h"

namespace winui {
namespace {

DWORD StyleOf(const FormStyle& style) {
    DWORD result = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    if (style.Sizeable) {
        result |= WS_THICKFRAME;
    }
    if (style.SystemMenu) {
        result |= WS_SYSMENU;
    }
    if (style.MinimizeBox) {
        result |= WS_MINIMIZEBOX;
    }
    return result;
}

RECT WindowRect(HWND hwnd) {
    RECT r{0, 0, 0, 0};
    GetWindowRect(hwnd, &r);
    return r;
}

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
    if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        try {
            list->push_back(hwnd);
        } catch (...) {
            return FALSE;  // no memory: the windows found so far are disabled
        }
    }
    return TRUE;
}

}  // namespace

Form::Form(const FormStyle& style) {
    const DWORD windowStyle = StyleOf(style);
    RECT outer{0, 0, style.ClientWidth, style.ClientHeight};
    AdjustWindowRectEx(&outer, windowStyle, FALSE, 0);
    CreateHandle(0, windowStyle, style.Caption.c_str(), style.Left, style.Top,
                 outer.right - outer.left, outer.bottom - outer.top, nullptr);
}

Form::~Form() {
    // The controls are gone by now; nothing may paint or dispatch to them.
    controls_.clear();
    pressed_ = nullptr;
    DestroyHandle();
}

void Form::Create() {
    Guarded([this] { FormCreate(); });
}

int Form::Left() const { return WindowRect(Handle()).left; }
int Form::Top() const { return WindowRect(Handle()).top; }
int Form::Width() const {
    const RECT r = WindowRect(Handle());
    return r.right - r.left;
}
int Form::Height() const {
    const RECT r = WindowRect(Handle());
    return r.bottom - r.top;
}
int Form::ClientWidth() const {
    RECT r{0, 0, 0, 0};
    GetClientRect(Handle(), &r);
    return r.right;
}
int Form::ClientHeight() const {
    RECT r{0, 0, 0, 0};
    GetClientRect(Handle(), &r);
    return r.bottom;
}

void Form::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetClientSize(int width, int height) {
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
    SetBounds(Left(), Top(), outer.right - outer.left, outer.bottom - outer.top);
}

bool Form::Visible() const { return IsWindowVisible(Handle()) != FALSE; }

void Form::Show() {
    FormShow();
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
}

void Form::Hide() { ShowWindow(Handle(), SW_HIDE); }

void Form::BringToFront() {
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(Handle());
}

int Form::ShowModal() {
    if (modal_) {
        return modalResult_;
    }
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), Handle()), disabled.end());
    for (HWND hwnd : disabled) {
        EnableWindow(hwnd, FALSE);
    }
    struct Restore {
        Form& form;
        std::vector<HWND>& windows;
        ~Restore() {
            // Enable the others before hiding, so that activation goes back to them.
            for (HWND hwnd : windows) {
                if (IsWindow(hwnd)) {
                    EnableWindow(hwnd, TRUE);
                }
            }
            form.modal_ = false;
            form.Hide();
        }
    } restore{*this, disabled};

    modal_ = true;
    modalDone_ = false;
    modalResult_ = 0;
    Show();
    SetActiveWindow(Handle());
    while (!modalDone_ && !Terminated()) {
        winui::HandleMessage();
    }
    return modalResult_;
}

void Form::SetModalResult(int result) {
    modalResult_ = result;
    modalDone_ = true;
}

void Form::Close() {
    if (modal_) {
        modalDone_ = true;
    } else if (Application::Instance().MainForm() == this) {
        Application::Instance().Terminate();
    } else {
        Hide();
    }
}

void Form::Repaint() {
    InvalidateRect(Handle(), nullptr, FALSE);
    UpdateWindow(Handle());
}

void Form::Attach(GraphicControl* control) { controls_.push_back(control); }

void Form::Detach(GraphicControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    if (pressed_ == control) {
        pressed_ = nullptr;
    }
}

void Form::InvalidateArea(const RECT& area) {
    if (Handle() != nullptr) {
        InvalidateRect(Handle(), &area, FALSE);
    }
}

void Form::UpdateNow() {
    if (Handle() != nullptr) {
        UpdateWindow(Handle());
    }
}

GraphicControl* Form::ControlAt(POINT point) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        if ((*it)->Visible() && PtInRect(&(*it)->Bounds(), point)) {
            return *it;
        }
    }
    return nullptr;
}

void Form::ButtonDown(MouseButton button, LPARAM lp) {
    if (pressed_ != nullptr) {
        return;  // a second button while one is held belongs to the first press
    }
    const POINT point{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    GraphicControl* control = ControlAt(point);
    if (control == nullptr) {
        return;
    }
    pressed_ = control;
    pressedButton_ = button;
    SetCapture(Handle());
    if (control->OnMouseDown) {
        control->OnMouseDown(button, point.x - control->Left(), point.y - control->Top());
    }
}

void Form::ButtonUp(MouseButton button, LPARAM lp) {
    if (pressed_ == nullptr || button != pressedButton_) {
        return;
    }
    GraphicControl* control = pressed_;
    pressed_ = nullptr;
    ReleaseCapture();
    const POINT point{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    // The click comes first: a button whose action shows a modal window keeps
    // its pressed look until that window closes.
    if (button == MouseButton::Left && control->Visible() && PtInRect(&control->Bounds(), point) &&
        control->OnClick) {
        control->OnClick();
    }
    // The click may have run a whole modal loop; the control is still ours
    // because controls live as long as their window.
    if (control->OnMouseUp) {
        control->OnMouseUp(button, point.x - control->Left(), point.y - control->Top());
    }
}

void Form::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    struct End {
        HWND hwnd;
        PAINTSTRUCT* ps;
        ~End() { EndPaint(hwnd, ps); }
    } end{Handle(), &ps};

    RECT client;
    GetClientRect(Handle(), &client);
    if (client.right <= 0 || client.bottom <= 0) {
        return;
    }
    // Drawn off screen first so that overlapping pictures do not flicker.
    MemoryDc buffer(dc);
    Bitmap canvas(CreateCompatibleBitmap(dc, client.right, client.bottom));
    buffer.Select(canvas.Get());
    FillRect(buffer.Get(), &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
    for (GraphicControl* control : controls_) {
        RECT overlap;
        if (!control->Visible() || !IntersectRect(&overlap, &control->Bounds(), &ps.rcPaint)) {
            continue;
        }
        const int saved = SaveDC(buffer.Get());
        IntersectClipRect(buffer.Get(), control->Left(), control->Top(),
                          control->Left() + control->Width(), control->Top() + control->Height());
        try {
            control->Paint(buffer.Get());
        } catch (...) {
            RestoreDC(buffer.Get(), saved);
            throw;
        }
        RestoreDC(buffer.Get(), saved);
    }
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, buffer.Get(), ps.rcPaint.left, ps.rcPaint.top,
           SRCCOPY);
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_CLOSE:
            Close();
            return 0;
        case WM_SIZE:
            FormResize();
            return 0;
        case WM_LBUTTONDOWN:
            ButtonDown(MouseButton::Left, lp);
            return 0;
        case WM_RBUTTONDOWN:
            ButtonDown(MouseButton::Right, lp);
            return 0;
        case WM_MBUTTONDOWN:
            ButtonDown(MouseButton::Middle, lp);
            return 0;
        case WM_LBUTTONUP:
            ButtonUp(MouseButton::Left, lp);
            return 0;
        case WM_RBUTTONUP:
            ButtonUp(MouseButton::Right, lp);
            return 0;
        case WM_MBUTTONUP:
            ButtonUp(MouseButton::Middle, lp);
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != Handle()) {
                pressed_ = nullptr;  // the release will not come to us
            }
            return 0;
        default:
            return Window::HandleMessage(msg, wp, lp);
    }
}

}  // namespace winui
