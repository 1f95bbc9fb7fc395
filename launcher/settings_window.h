#pragma once
// The settings window: full-screen or windowed play, written to the settings
// file for the game client.

#include "winui/controls.h"
#include "winui/form.h"

namespace launcher {

class TForm5 : public winui::Form {
public:
    TForm5();

    winui::Image Image1;  // background
    winui::Image Image2;  // full-screen option box
    winui::Image Image3;  // windowed option box
    winui::Image Image4;  // OK button
    winui::Image Image5;  // option marker: top 40 full screen, anything else windowed

    void Image2Click();
    void Image3Click();
    void Image4Click();

    static constexpr int kMarkerLeft = 67;
    static constexpr int kFullScreenTop = 40;
    static constexpr int kWindowedTop = 90;

protected:
    void FormCreate() override;
};

}  // namespace launcher
