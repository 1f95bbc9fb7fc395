#pragma once
// The controls of our windows: pictures, transparent labels and a progress
// gauge, all drawn by their window; and list boxes, which are child windows.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "winui/form.h"
#include "winui/gdi.h"
#include "winui/jpeg_image.h"

namespace winui {

class GraphicControl {
public:
    explicit GraphicControl(Form& parent);
    virtual ~GraphicControl();
    GraphicControl(const GraphicControl&) = delete;
    GraphicControl& operator=(const GraphicControl&) = delete;

    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.right - bounds_.left; }
    int Height() const { return bounds_.bottom - bounds_.top; }
    const RECT& Bounds() const { return bounds_; }
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    // Centres the control in a window of the given outer width:
    // left = (width - own width) / 2, truncated toward zero.
    void CentreIn(int outerWidth) { SetLeft((outerWidth - Width()) / 2); }

    void Invalidate();
    void Repaint();  // invalidate and paint at once

    // Draws into the window's device context, in client coordinates.
    virtual void Paint(HDC dc) = 0;

    // Mouse events, in the order: down; then on release click (left button,
    // released over the control) and only after it up. Coordinates are the
    // control's own.
    std::function<void(MouseButton, int x, int y)> OnMouseDown;
    std::function<void(MouseButton, int x, int y)> OnMouseUp;
    std::function<void()> OnClick;

protected:
    Form& parent_;

private:
    RECT bounds_{0, 0, 0, 0};
    bool visible_ = true;
};

// A picture: JPEG from a file or from bytes held in the program.
class Image : public GraphicControl {
public:
    using GraphicControl::GraphicControl;

    // Throws selvane::Exception when the picture cannot be read; the previous
    // picture then stays.
    void LoadFromFile(const std::filesystem::path& file);
    void LoadFromMemory(const std::uint8_t* data, std::size_t size);
    void Clear();

    bool Empty() const { return !bitmap_; }
    int PictureWidth() const { return pictureWidth_; }
    int PictureHeight() const { return pictureHeight_; }
    // The file of the picture shown; empty for no picture or one from memory.
    const std::filesystem::path& FileName() const { return fileName_; }

    bool Stretch = false;   // scale the picture to the control's size
    bool AutoSize = false;  // take the picture's size at every load
    // Pixels of exactly this colour are not drawn.
    std::optional<COLORREF> TransparentColor;

    void Paint(HDC dc) override;

private:
    void Take(Pixels&& pixels);

    Bitmap bitmap_;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    std::filesystem::path fileName_;
};

// Text drawn without a background; its size follows the text and font.
class Label : public GraphicControl {
public:
    explicit Label(Form& parent);

    void SetCaption(std::wstring caption);
    const std::wstring& Caption() const { return caption_; }
    // Height as CreateFont takes it: positive for the cell, negative for the characters.
    void SetFont(const std::wstring& face, int height);
    COLORREF Color = RGB(0, 0, 0);

    void Paint(HDC dc) override;

private:
    void Measure();

    std::wstring caption_;
    Font font_;
};

// A horizontal bar with the percentage written over it.
class Gauge : public GraphicControl {
public:
    explicit Gauge(Form& parent);

    void SetProgress(int progress);  // clamped to 0..MaxValue
    int Progress() const { return progress_; }
    int PercentDone() const;
    void SetMaxValue(int maxValue);
    int MaxValue() const { return maxValue_; }
    void SetFont(const std::wstring& face, int height);

    COLORREF ForeColor = RGB(0, 0, 128);
    COLORREF BackColor = RGB(255, 255, 255);
    COLORREF TextColor = RGB(0, 0, 0);

    void Paint(HDC dc) override;

private:
    int progress_ = 0;
    int maxValue_ = 100;
    Font font_;
};

// A list box child window with wide items.
class ListBox {
public:
    explicit ListBox(Form& parent);
    ~ListBox();
    ListBox(const ListBox&) = delete;
    ListBox& operator=(const ListBox&) = delete;

    HWND Handle() const { return hwnd_; }
    void SetBounds(int left, int top, int width, int height);
    void SetVisible(bool visible);
    bool Visible() const;
    void SetFont(const std::wstring& face, int height);
    void SetItemHeight(int height);
    int ItemHeight() const;

    void Add(const std::wstring& item);
    void Delete(int index);  // an index outside the list changes nothing
    void Clear();
    int Count() const;
    std::wstring Item(int index) const;
    int ItemIndex() const;         // -1 when nothing is selected
    void SetItemIndex(int index);  // an index outside the list selects nothing

private:
    HWND hwnd_ = nullptr;
    Font font_;
};

}  // namespace winui
