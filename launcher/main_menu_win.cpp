#include "launcher/main_menu.h"

#include <cstdlib>
#include <ctime>
#include <functional>

#include "launcher/launcher_shell.h"
#include "launcher/settings_window.h"
#include "winui/application.h"
#include "winui/text.h"

namespace launcher {
namespace {

winui::FormStyle MainMenuStyle() {
    winui::FormStyle style;
    style.Caption = L"NORVALE";
    style.Sizeable = false;
    style.SystemMenu = false;  // no title-bar buttons at all, so no close box
    style.MinimizeBox = false;
    style.Left = 277;
    style.Top = 272;
    style.ClientWidth = 289;
    style.ClientHeight = 525;
    return style;
}

constexpr int kButtonLeft = 67;
constexpr int kButtonWidth = 158;
constexpr int kButtonHeight = 54;

}  // namespace

TForm1::TForm1()
    : winui::Form(MainMenuStyle()),
      Image1(*this),
      Image2(*this),
      Image3(*this),
      Image4(*this),
      Image5(*this),
      Image6(*this) {
    // Where the controls stand before creation places them.
    Image1.SetBounds(0, 0, 289, 525);
    winui::Image* buttons[] = {&Image2, &Image3, &Image4, &Image5, &Image6};
    for (int i = 0; i < 5; ++i) {
        buttons[i]->SetBounds(64, 100 + 70 * i, 160, 56);
    }
    using namespace std::placeholders;
    Image2.OnMouseDown = std::bind(&TForm1::Image2MouseDown, this, _1, _2, _3);
    Image3.OnMouseDown = std::bind(&TForm1::Image3MouseDown, this, _1, _2, _3);
    Image4.OnMouseDown = std::bind(&TForm1::Image4MouseDown, this, _1, _2, _3);
    Image5.OnMouseDown = std::bind(&TForm1::Image5MouseDown, this, _1, _2, _3);
    Image6.OnMouseDown = std::bind(&TForm1::Image6MouseDown, this, _1, _2, _3);
    Image2.OnMouseUp = std::bind(&TForm1::Image2MouseUp, this, _1, _2, _3);
    Image3.OnMouseUp = std::bind(&TForm1::Image3MouseUp, this, _1, _2, _3);
    Image4.OnMouseUp = std::bind(&TForm1::Image4MouseUp, this, _1, _2, _3);
    Image5.OnMouseUp = std::bind(&TForm1::Image5MouseUp, this, _1, _2, _3);
    Image2.OnClick = [this] { Image2Click(); };
    Image3.OnClick = [this] { Image3Click(); };
    Image4.OnClick = [this] { Image4Click(); };
    Image5.OnClick = [this] { Image5Click(); };
    Image6.OnClick = [this] { Image6Click(); };
}

void TForm1::HandleExcepts(const std::exception_ptr&) {}

void TForm1::FormCreate() {
    winui::Application::Instance().SetOnException(&TForm1::HandleExcepts);
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    // A missing picture stops creation here, silently: the pictures after it
    // stay empty and the window keeps its stored place and size.
    Image1.LoadFromFile(MainPicture(L"0"));
    Image1.Repaint();
    winui::Image* buttons[] = {&Image2, &Image3, &Image4, &Image5, &Image6};
    for (int i = 0; i < 5; ++i) {
        buttons[i]->LoadFromFile(MainPicture(std::to_wstring(i + 1) + L"-1"));
        buttons[i]->Repaint();
    }

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetBounds(screenWidth / 2 - 147, screenHeight / 2 - 230, 290, 503);

    Image1.SetBounds(0, 0, 289, 480);
    const int tops[] = {107, 174, 240, 307, 374};
    for (int i = 0; i < 5; ++i) {
        buttons[i]->SetBounds(kButtonLeft, tops[i], kButtonWidth, kButtonHeight);
    }
}

void TForm1::Press(winui::Image& button, int number) {
    button.LoadFromFile(MainPicture(std::to_wstring(number) + L"-2"));
    button.Repaint();
}

void TForm1::Release(winui::Image& button, int number) {
    button.LoadFromFile(MainPicture(std::to_wstring(number) + L"-1"));
    button.Repaint();
}

void TForm1::Image2Click() { OpenWebPage((winui::ProgramDir() / L"index.htm").wstring()); }

void TForm1::Image3Click() { OpenWebPage(kHomePage); }

void TForm1::Image4Click() {
    if (ShowUpdateWindow) {
        ShowUpdateWindow();
    }
}

void TForm1::Image5Click() {
    if (Form5 != nullptr) {
        Form5->Show();
        Form5->BringToFront();
    }
}

void TForm1::Image6Click() { Close(); }

}  // namespace launcher
