#include "winui/controls.h"

#include <algorithm>
#include <cwchar>

#include "core/exception.h"
#include "winui/handles.h"

namespace winui {

// ---------------------------------------------------------------- GraphicControl

GraphicControl::GraphicControl(Form& parent) : parent_(parent) { parent_.Attach(this); }

GraphicControl::~GraphicControl() { parent_.Detach(this); }

void GraphicControl::SetBounds(int left, int top, int width, int height) {
    Invalidate();
    bounds_ = {left, top, left + std::max(width, 0), top + std::max(height, 0)};
    Invalidate();
}

void GraphicControl::SetVisible(bool visible) {
    if (visible_ != visible) {
        visible_ = visible;
        Invalidate();
    }
}

void GraphicControl::Invalidate() { parent_.InvalidateArea(bounds_); }

void GraphicControl::Repaint() {
    Invalidate();
    parent_.UpdateNow();
}

// ------------------------------------------------------------------------- Image

void Image::LoadFromFile(const std::filesystem::path& file) {
    Take(DecodeJpegFile(file));
    fileName_ = file;
}

void Image::LoadFromMemory(const std::uint8_t* data, std::size_t size) {
    Take(DecodeJpeg(data, size));
    fileName_.clear();
}

void Image::Clear() {
    bitmap_.Reset();
    pictureWidth_ = pictureHeight_ = 0;
    fileName_.clear();
    Invalidate();
}

void Image::Take(Pixels&& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.Width;
    info.bmiHeader.biHeight = -pixels.Height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) {
        throw selvane::Exception("Out of memory for a picture");
    }
    std::copy(pixels.Data.begin(), pixels.Data.end(), static_cast<std::uint32_t*>(bits));
    bitmap_ = std::move(bitmap);
    pictureWidth_ = pixels.Width;
    pictureHeight_ = pixels.Height;
    if (AutoSize) {
        SetBounds(Left(), Top(), pictureWidth_, pictureHeight_);
    }
    Invalidate();
}

void Image::Paint(HDC dc) {
    if (!bitmap_) {
        return;
    }
    MemoryDc source(dc);
    source.Select(bitmap_.Get());
    const int width = Stretch ? Width() : std::min(Width(), pictureWidth_);
    const int height = Stretch ? Height() : std::min(Height(), pictureHeight_);
    const int sourceWidth = Stretch ? pictureWidth_ : width;
    const int sourceHeight = Stretch ? pictureHeight_ : height;
    if (width <= 0 || height <= 0) {
        return;
    }
    if (TransparentColor) {
        TransparentBlt(dc, Left(), Top(), width, height, source.Get(), 0, 0, sourceWidth,
                       sourceHeight, *TransparentColor);
    } else if (Stretch) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, Left(), Top(), width, height, source.Get(), 0, 0, sourceWidth, sourceHeight,
                   SRCCOPY);
    } else {
        BitBlt(dc, Left(), Top(), width, height, source.Get(), 0, 0, SRCCOPY);
    }
}

// ------------------------------------------------------------------------- Label

Label::Label(Form& parent) : GraphicControl(parent) { SetFont(L"MS Sans Serif", -11); }

void Label::SetCaption(std::wstring caption) {
    caption_ = std::move(caption);
    Measure();
}

void Label::SetFont(const std::wstring& face, int height) {
    font_.Reset(MakeFont(face.c_str(), height));
    Measure();
}

void Label::Measure() {
    const WindowDc screenDc(nullptr);
    const HDC screen = screenDc.get();
    SIZE size{0, 0};
    {
        SelectedObject font(screen, font_.Get());
        if (caption_.empty()) {
            TEXTMETRICW metrics{};
            GetTextMetricsW(screen, &metrics);
            size.cy = metrics.tmHeight;
        } else {
            GetTextExtentPoint32W(screen, caption_.c_str(), static_cast<int>(caption_.size()),
                                  &size);
        }
    }
    SetBounds(Left(), Top(), size.cx, size.cy);
}

void Label::Paint(HDC dc) {
    SelectedObject font(dc, font_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Color);
    TextOutW(dc, Left(), Top(), caption_.c_str(), static_cast<int>(caption_.size()));
}

// ------------------------------------------------------------------------- Gauge

Gauge::Gauge(Form& parent) : GraphicControl(parent) { SetFont(L"MS Sans Serif", -11); }

void Gauge::SetProgress(int progress) {
    progress = std::clamp(progress, 0, maxValue_);
    if (progress != progress_) {
        progress_ = progress;
        Invalidate();
    }
}

void Gauge::SetMaxValue(int maxValue) {
    maxValue_ = std::max(maxValue, 1);
    progress_ = std::min(progress_, maxValue_);
    Invalidate();
}

int Gauge::PercentDone() const {
    return static_cast<int>(static_cast<long long>(progress_) * 100 / maxValue_);
}

void Gauge::SetFont(const std::wstring& face, int height) {
    font_.Reset(MakeFont(face.c_str(), height));
    Invalidate();
}

void Gauge::Paint(HDC dc) {
    Brush back(CreateSolidBrush(BackColor));
    Brush fore(CreateSolidBrush(ForeColor));
    FillRect(dc, &Bounds(), back.Get());
    RECT bar = Bounds();
    bar.right =
        bar.left + static_cast<int>(static_cast<long long>(Width()) * progress_ / maxValue_);
    FillRect(dc, &bar, fore.Get());
    wchar_t text[16];
    std::swprintf(text, 16, L"%d%%", PercentDone());
    SelectedObject font(dc, font_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, TextColor);
    RECT area = Bounds();
    DrawTextW(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ----------------------------------------------------------------------- ListBox

ListBox::ListBox(Form& parent) {
    hwnd_ =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0,
                        0, 100, 100, parent.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd_ == nullptr) {
        throw selvane::Exception("Cannot create a list box");
    }
}

ListBox::~ListBox() {
    if (hwnd_ != nullptr && IsWindow(hwnd_)) {
        DestroyWindow(hwnd_);
    }
}

void ListBox::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ListBox::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

bool ListBox::Visible() const { return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void ListBox::SetFont(const std::wstring& face, int height) {
    font_.Reset(MakeFont(face.c_str(), height));
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
}

void ListBox::SetItemHeight(int height) {
    SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, MAKELPARAM(height, 0));
}

int ListBox::ItemHeight() const {
    return static_cast<int>(SendMessageW(hwnd_, LB_GETITEMHEIGHT, 0, 0));
}

void ListBox::Add(const std::wstring& item) {
    const LRESULT result =
        SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (result == LB_ERR || result == LB_ERRSPACE) {
        throw selvane::Exception("Cannot add a list item");
    }
}

void ListBox::Delete(int index) {
    SendMessageW(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void ListBox::Clear() { SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0); }

int ListBox::Count() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)); }

std::wstring ListBox::Item(int index) const {
    const LRESULT length = SendMessageW(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) {
        throw selvane::Exception("List index out of bounds");
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(hwnd_, LB_GETTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

int ListBox::ItemIndex() const {
    const LRESULT index = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void ListBox::SetItemIndex(int index) {
    if (index < 0 || index >= Count()) {
        index = -1;  // outside the list: no entry selected
    }
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace winui
