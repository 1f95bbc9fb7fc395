#include "sample/game_window_win.h"

#include <cstdio>
#include <exception>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "sample/frame_dump.h"

namespace ostrel {
namespace {

constexpr wchar_t kWindowClass[] = L"ostrel.game";
constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameIntervalMs = 30;
// Posted once the window shows, so the box has the drawn window behind it.
constexpr UINT kShowLoadFailure = WM_APP + 1;

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = kWindowClass;
    // A second window in the same process finds the class registered already.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("the window class cannot be registered");
}

// A top-down 16-bit DIB section whose masks are the library's pixel format.
GdiBitmap MakeFrameBitmap(PixelFormat format, Surface& surface) {
    struct {
        BITMAPINFOHEADER Header;
        DWORD Masks[3];
    } info{};
    info.Header.biSize = sizeof info.Header;
    info.Header.biWidth = kFrameWidth;
    info.Header.biHeight = -kFrameHeight;  // negative: the top row first, as the library draws
    info.Header.biPlanes = 1;
    info.Header.biBitCount = 16;
    info.Header.biCompression = BI_BITFIELDS;
    if (format == PixelFormat::Rgb565) {
        info.Masks[0] = 0xF800, info.Masks[1] = 0x07E0, info.Masks[2] = 0x001F;
    } else {
        info.Masks[0] = 0x7C00, info.Masks[1] = 0x03E0, info.Masks[2] = 0x001F;
    }
    void* bits = nullptr;
    GdiBitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                      &bits, nullptr, 0));
    if (!bitmap.Get() || !bits) throw std::runtime_error("the frame bitmap cannot be made");
    // DIB rows are padded to four bytes; 640 pixels need none, but say so.
    surface = {bits, kFrameWidth, kFrameHeight, ((kFrameWidth * 16 + 31) / 32) * 4};
    return bitmap;
}

// The frame borders AdjustWindowRectEx assumes are not always the ones the
// window gets (a window manager may draw its own), so measure and correct.
void FitClientToFrame(HWND window) {
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    const int extraWidth = kFrameWidth - client.right, extraHeight = kFrameHeight - client.bottom;
    if (extraWidth == 0 && extraHeight == 0) return;
    SetWindowPos(window, nullptr, outer.left - extraWidth / 2, outer.top - extraHeight / 2,
                 outer.right - outer.left + extraWidth, outer.bottom - outer.top + extraHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

double Milliseconds(LONGLONG ticks, const LARGE_INTEGER& frequency) {
    return double(ticks) * 1000.0 / double(frequency.QuadPart);
}

}  // namespace

GameWindow::GameWindow(GameSettings settings) : settings_(std::move(settings)) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(instance, WindowProc);
    frameBitmap_ = MakeFrameBitmap(settings_.Art->Format, frame_);
    frameDc_.emplace(nullptr, frameBitmap_.Get());
    if (!frameDc_->Get()) throw std::runtime_error("the frame's device context cannot be made");
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&lastFrame_);

    DWORD style;
    RECT rect;
    if (settings_.Mode == ScreenMode::Windowed) {
        style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        rect = {0, 0, kFrameWidth, kFrameHeight};
        AdjustWindowRectEx(&rect, style, FALSE, 0);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        rect.left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        rect.top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        rect.right = rect.left + width;
        rect.bottom = rect.top + height;
    } else {
        style = WS_POPUP;
        rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    window_ = CreateWindowExW(0, kWindowClass, kWindowTitle, style, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                              instance, this);
    if (!window_) throw std::runtime_error("the game window cannot be created");
    if (settings_.Mode == ScreenMode::Windowed) FitClientToFrame(window_);
    try {
        DrawFrame();
    } catch (...) {
        DestroyWindow(window_);  // no destructor runs for a half-built object
        throw;
    }
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetTimer(window_, kFrameTimer, kFrameIntervalMs, nullptr);
    if (!settings_.LoadFailure.empty()) PostMessageW(window_, kShowLoadFailure, 0, 0);
}

GameWindow::~GameWindow() {
    if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK GameWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        // Messages arrive before CreateWindowExW returns the handle.
        static_cast<GameWindow*>(create->lpCreateParams)->window_ = window;
    }
    auto* self = reinterpret_cast<GameWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || message == WM_NCCREATE) return DefWindowProcW(window, message, wParam, lParam);
    // Nothing may unwind into the system's frames: an error ends the game.
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        self->failure_ = e.what();
    } catch (...) {
        self->failure_ = "unknown error";
    }
    DestroyWindow(window);
    return 0;
}

LRESULT GameWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam != kFrameTimer) break;
            ++frameNumber_;
            DrawFrame();
            InvalidateRect(window_, nullptr, FALSE);
            return 0;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // Paint covers every pixel
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) DestroyWindow(window_);
            return 0;
        case kShowLoadFailure:
            // The box runs its own message loop: frames keep coming meanwhile.
            MessageBoxW(window_, settings_.LoadFailure.c_str(), kWindowTitle, MB_OK | MB_ICONERROR);
            return 0;
        case WM_DESTROY:
            KillTimer(window_, kFrameTimer);
            window_ = nullptr;
            PostQuitMessage(failure_.empty() ? 0 : 1);
            return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void GameWindow::DrawFrame() {
    // GDI may still be writing last frame's text into the bitmap.
    GdiFlush();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const uint32_t sceneFrame = settings_.Still.value_or(frameNumber_);
    ComposeFrame(*settings_.Vx, *settings_.Art, settings_.Emblem, sceneFrame, frame_);
    QueryPerformanceCounter(&end);
    drawMs_ = Milliseconds(end.QuadPart - start.QuadPart, frequency_);
    intervalMs_ = Milliseconds(start.QuadPart - lastFrame_.QuadPart, frequency_);
    lastFrame_ = start;

    // The frame as the library left it, before the status text goes on it.
    if (settings_.Dump && !dumped_) {
        dumped_ = true;
        if (!WriteFrameDump(*settings_.Dump, {settings_.Art->Format, sceneFrame, CopyOf(frame_)}))
            throw std::runtime_error("the frame cannot be written to its dump file");
    }
    DrawStatus();
}

void GameWindow::DrawStatus() {
    const HDC dc = frameDc_->Get();
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 236, 176));
    wchar_t line[160];
    const int length = std::swprintf(
        line, std::size(line), L"%d  frame %u  draw %.2f ms  every %.1f ms",
        FormatNumber(settings_.Art->Format), unsigned(frameNumber_), drawMs_, intervalMs_);
    TextOutW(dc, 10, 6, line, length > 0 ? length : 0);
    std::wstring second = L"args: " + settings_.Arguments;
    if (!settings_.Emblem) second += L"   emblem: not loaded";
    TextOutW(dc, 10, 24, second.c_str(), int(second.size()));
}

void GameWindow::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window_, &paint);
    RECT client;
    GetClientRect(window_, &client);
    const int x = (client.right - kFrameWidth) / 2, y = (client.bottom - kFrameHeight) / 2;
    BitBlt(dc, x, y, kFrameWidth, kFrameHeight, frameDc_->Get(), 0, 0, SRCCOPY);
    // Full screen: black around the frame.
    ExcludeClipRect(dc, x, y, x + kFrameWidth, y + kFrameHeight);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(window_, &paint);
}

}  // namespace ostrel
