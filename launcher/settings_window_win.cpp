#include "launcher/settings_window.h"

#include "launcher/launcher_shell.h"
#include "launcher/settings_file.h"
#include "winui/handles.h"
#include "winui/message_boxes.h"

namespace launcher {
namespace {

winui::FormStyle SettingsStyle() {
    winui::FormStyle style;
    style.Caption = L"Setup";
    style.Sizeable = true;
    style.SystemMenu = true;
    style.MinimizeBox = false;
    style.Left = 300;
    style.Top = 200;
    style.ClientWidth = 362;
    style.ClientHeight = 242;
    return style;
}

}  // namespace

TForm5::TForm5()
    : winui::Form(SettingsStyle()),
      Image1(*this),
      Image2(*this),
      Image3(*this),
      Image4(*this),
      Image5(*this) {
    Image2.OnClick = [this] { Image2Click(); };
    Image3.OnClick = [this] { Image3Click(); };
    Image4.OnClick = [this] { Image4Click(); };
}

void TForm5::FormCreate() {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetBounds(screenWidth / 2 - 190, screenHeight / 2 - 185, 370, 270);

    Image1.LoadFromFile(L"mainpic\\0" + std::wstring(PictureSet()) + L"1.jpg");
    Image1.Repaint();
    Image2.LoadFromFile(L"mainpic\\1.jpg");
    Image2.Repaint();
    Image3.LoadFromFile(L"mainpic\\1.jpg");
    Image3.Repaint();
    Image4.LoadFromFile(L"mainpic\\2.jpg");
    Image4.Repaint();
    Image5.LoadFromFile(L"mainpic\\6.jpg");
    Image5.Repaint();

    Image1.SetBounds(1, 1, 360, 240);
    Image2.SetBounds(57, 37, 48, 25);
    Image3.SetBounds(57, 88, 48, 25);
    Image4.SetBounds(130, 207, 100, 29);
    Image5.SetBounds(kMarkerLeft, kFullScreenTop, 27, 17);

    // Read once: afterwards the marker is the window's only memory.
    const auto firstLine = ReadFirstLine(kSettingsFile);
    if (firstLine && MeansWindowed(*firstLine)) {
        Image5.SetTop(kWindowedTop);
    }
}

void TForm5::Image2Click() {
    Image5.SetBounds(kMarkerLeft, kFullScreenTop, Image5.Width(), Image5.Height());
    Image5.Repaint();
}

void TForm5::Image3Click() {
    Image5.SetBounds(kMarkerLeft, kWindowedTop, Image5.Width(), Image5.Height());
    Image5.Repaint();
}

void TForm5::Image4Click() {
    ScreenMode mode = ScreenMode::FullScreen;
    if (Image5.Top() != kFullScreenTop) {
        const int bitsPerPixel = GetDeviceCaps(winui::WindowDc(Handle()).get(), BITSPIXEL);
        if (bitsPerPixel != 16) {
            winui::ShowMessage(
                L"If you want to choose the window mode, please adjust 16BIT color.");
            return;
        }
        mode = ScreenMode::Windowed;
    }
    WriteSettings(kSettingsFile, mode, IsTraditionalChinese());
    Hide();
}

}  // namespace launcher
