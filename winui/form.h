#pragma once
// A top-level window that hosts picture, label and gauge controls (drawn by the
// window itself, in the order they were made, later ones on top) and list boxes
// (child windows, always on top). Created hidden; shown, hidden, shown modally.

#include <windows.h>

#include <string>
#include <vector>

#include "winui/window.h"

namespace winui {

class GraphicControl;

enum class MouseButton { Left, Right, Middle };

struct FormStyle {
    std::wstring Caption;
    bool Sizeable = false;   // sizeable frame; otherwise a fixed single border
    bool SystemMenu = true;  // system menu, hence the close box
    bool MinimizeBox = false;
    // Stored initial geometry, in force until the creation handler replaces it.
    int Left = 0;
    int Top = 0;
    int ClientWidth = 0;
    int ClientHeight = 0;
};

class Form : public Window {
public:
    explicit Form(const FormStyle& style);
    ~Form() override;

    // Runs FormCreate under the error policy: an error stops it where it stands,
    // the window stays.
    void Create();

    // Screen coordinates and outer size.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
    void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
    void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
    // Sizes the window so that its client area is width x height.
    void SetClientSize(int width, int height);

    bool Visible() const;
    void Show();
    void Hide();
    void BringToFront();

    // Shows the window and runs a message loop until it closes; the other
    // windows of the program are disabled meanwhile.
    int ShowModal();
    bool Modal() const { return modal_; }
    void SetModalResult(int result);

    // The close box and Close: a modal window ends its modal showing, the main
    // window ends the application, any other window hides.
    void Close();

    // Paints the whole window now.
    void Repaint();

    // Used by the controls.
    void Attach(GraphicControl* control);
    void Detach(GraphicControl* control);
    void InvalidateArea(const RECT& area);
    void UpdateNow();

protected:
    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual void FormResize() {}

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint();
    GraphicControl* ControlAt(POINT point) const;
    void ButtonDown(MouseButton button, LPARAM lp);
    void ButtonUp(MouseButton button, LPARAM lp);

    std::vector<GraphicControl*> controls_;
    GraphicControl* pressed_ = nullptr;
    MouseButton pressedButton_ = MouseButton::Left;
    bool modal_ = false;
    bool modalDone_ = false;
    int modalResult_ = 0;
};

}  // namespace winui
