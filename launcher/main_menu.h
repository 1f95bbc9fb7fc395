#pragma once
// The launcher's main menu: a background and five picture buttons.

#include <exception>
#include <functional>

#include "winui/controls.h"
#include "winui/form.h"

namespace launcher {

class TForm5;

class TForm1 : public winui::Form {
public:
    TForm1();

    winui::Image Image1;  // background
    winui::Image Image2;  // button 1: the local page
    winui::Image Image3;  // button 2: the home page
    winui::Image Image4;  // button 3: the update window
    winui::Image Image5;  // button 4: the settings window
    winui::Image Image6;  // button 5: exit

    // The other windows the buttons show; set by the program entry.
    TForm5* Form5 = nullptr;
    std::function<void()> ShowUpdateWindow;  // modal; absent until the update window exists

    // The application's error policy: every error that escapes a handler is dropped.
    static void HandleExcepts(const std::exception_ptr& error);

    void Image2Click();
    void Image3Click();
    void Image4Click();
    void Image5Click();
    void Image6Click();

    // Any mouse button: the pressed picture on the way down, the rest picture
    // on the way up. The exit button has no way up.
    void Image2MouseDown(winui::MouseButton, int, int) { Press(Image2, 1); }
    void Image3MouseDown(winui::MouseButton, int, int) { Press(Image3, 2); }
    void Image4MouseDown(winui::MouseButton, int, int) { Press(Image4, 3); }
    void Image5MouseDown(winui::MouseButton, int, int) { Press(Image5, 4); }
    void Image6MouseDown(winui::MouseButton, int, int) { Press(Image6, 5); }
    void Image2MouseUp(winui::MouseButton, int, int) { Release(Image2, 1); }
    void Image3MouseUp(winui::MouseButton, int, int) { Release(Image3, 2); }
    void Image4MouseUp(winui::MouseButton, int, int) { Release(Image4, 3); }
    void Image5MouseUp(winui::MouseButton, int, int) { Release(Image5, 4); }

protected:
    void FormCreate() override;

private:
    void Press(winui::Image& button, int number);
    void Release(winui::Image& button, int number);
};

}  // namespace launcher
