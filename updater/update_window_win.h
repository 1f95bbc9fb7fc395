#pragma once
// The updater's update window, its main window: the shared update window with
// the blue strip over the gauge, the update picture acting on the way up
// through the hidden Button1, and the exit picture through the hidden Button4.

#include <filesystem>
#include <functional>

#include "update/update_window_win.h"
#include "winui/controls.h"

namespace updater {

// A button that is never shown: it keeps its place, its enabled state and its
// click, which the pictures perform.
struct HiddenButton {
    int Left = 0;
    int Top = 0;
    bool Visible = false;
    bool Enabled = true;
    std::function<void()> OnClick;
};

class TForm1 : public update::TUpdateForm {
public:
    // programDir: empty for the running program's own folder.
    explicit TForm1(std::filesystem::path programDir = {});

    winui::Image Image5;   // solid blue strip over the gauge, beneath Label4
    HiddenButton Button1;  // 開始更新 (start update): the download phase
    HiddenButton Button4;  // 結束離開 (exit): the exit confirmation

    // Whether the run can start its download phase now (to-do list built and
    // not empty, phase not started). Button1 counts as enabled only while it
    // says so and Button1 has not been clicked yet.
    std::function<bool()> DownloadReady;
    bool Button1Enabled() const;

    // Disables Button1 first, so the download phase runs once per run.
    void Button1Click();
    void Button4Click();

    // The update picture has no click: its way up, with any mouse button,
    // restores the rest picture and then performs Button1's click.
    void Image2MouseUp(winui::MouseButton button, int x, int y) override;

protected:
    void PlaceVariantControls() override;
};

// The outer size the window has before it sizes itself to its background.
inline constexpr int kInitialWidth = 628;
inline constexpr int kInitialHeight = 479;

}  // namespace updater
