#include "updater/update_window_win.h"

#include "winui/embedded.h"

WINUI_EMBEDDED(strip)

namespace updater {
namespace {

update::UpdateFormOptions UpdaterOptions(std::filesystem::path programDir) {
    update::UpdateFormOptions options;
    options.ProgramDir = std::move(programDir);
    options.InitialWidth = kInitialWidth;
    options.InitialHeight = kInitialHeight;
    return options;
}

}  // namespace

TForm1::TForm1(std::filesystem::path programDir)
    : update::TUpdateForm(UpdaterOptions(std::move(programDir))), Image5(*this) {
    // Controls paint in the order they were made: Label4 goes back on top of
    // the strip that now covers the gauge.
    Detach(&Label4);
    Attach(&Label4);

    Image5.AutoSize = true;
    // White, which the strip does not contain, is its transparent colour.
    Image5.TransparentColor = RGB(255, 255, 255);
    Image2.OnClick = nullptr;
    Image4.OnClick = [this] { Button4Click(); };
    Button1.OnClick = [this] { Image2Click(); };
    Button4.OnClick = [this] { Image4Click(); };
}

void TForm1::PlaceVariantControls() {
    Image5.LoadFromMemory(embedded::strip, embedded::strip_size);
    Image5.SetBounds(34, 323, Image5.PictureWidth(), Image5.PictureHeight());
    Button1.Left = 136;
    Button1.Top = 368;
    Button4.Left = 488;
    Button4.Top = 368;
}

bool TForm1::Button1Enabled() const { return Button1.Enabled && DownloadReady && DownloadReady(); }

void TForm1::Button1Click() {
    Button1.Enabled = false;
    if (Button1.OnClick) {
        Button1.OnClick();
    }
}

void TForm1::Button4Click() {
    if (Button4.OnClick) {
        Button4.OnClick();
    }
}

void TForm1::Image2MouseUp(winui::MouseButton button, int x, int y) {
    update::TUpdateForm::Image2MouseUp(button, x, y);
    if (Button1Enabled()) {
        Button1Click();
    }
}

}  // namespace updater
