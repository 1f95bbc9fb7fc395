#include "updater/server_chooser_win.h"

#include "update/chosen_server.h"
#include "update/line_field.h"
#include "update/text_lines.h"
#include "winui/embedded.h"
#include "winui/text.h"

WINUI_EMBEDDED(chooser0c)
WINUI_EMBEDDED(chooser0s)
WINUI_EMBEDDED(ok1c)
WINUI_EMBEDDED(ok1s)
WINUI_EMBEDDED(ok2c)
WINUI_EMBEDDED(ok2s)

namespace updater {
namespace {

winui::FormStyle ChooserStyle() {
    winui::FormStyle style;
    style.Caption = L"";
    style.SystemMenu = false;  // no close box: only the OK picture ends the choice
    style.ClientWidth = 400;
    style.ClientHeight = 400;
    return style;
}

void Load(winui::Image& image, const unsigned char* data, std::size_t size, int left, int top) {
    image.LoadFromMemory(data, size);
    image.SetBounds(left, top, image.PictureWidth(), image.PictureHeight());
}

constexpr int kOkLeft = 144;
constexpr int kOkTop = 352;

}  // namespace

TForm2::TForm2(const winui::Form& updateWindow, std::function<update::DisplayLanguage()> language,
               std::filesystem::path programDir)
    : winui::Form(ChooserStyle()),
      Image0c(*this),
      Image0s(*this),
      Image2c(*this),
      Image2s(*this),
      Image1c(*this),
      Image1s(*this),
      ListBox1(*this),
      updateWindow_(updateWindow),
      language_(std::move(language)),
      programDir_(std::move(programDir)) {
    Image1c.OnMouseDown = [this](winui::MouseButton b, int x, int y) { Image1cMouseDown(b, x, y); };
    Image1s.OnMouseDown = [this](winui::MouseButton b, int x, int y) { Image1sMouseDown(b, x, y); };
}

void TForm2::FormCreate() {
    SetBounds(Left(), Top(), 408, 437);
    Load(Image0c, embedded::chooser0c, embedded::chooser0c_size, 0, 0);
    Load(Image0s, embedded::chooser0s, embedded::chooser0s_size, 0, 0);
    Load(Image2c, embedded::ok2c, embedded::ok2c_size, kOkLeft, kOkTop);
    Load(Image2s, embedded::ok2s, embedded::ok2s_size, kOkLeft, kOkTop);
    Load(Image1c, embedded::ok1c, embedded::ok1c_size, kOkLeft, kOkTop);
    Load(Image1s, embedded::ok1s, embedded::ok1s_size, kOkLeft, kOkTop);
    ListBox1.SetBounds(54, 88, 293, 249);
    ListBox1.SetFont(L"\u65B0\u7D30\u660E\u9AD4", -13);  // 新細明體
    ListBox1.SetItemHeight(16);

    // English shares the Traditional pictures, as the update window does.
    const bool simplified = language_ && language_() == update::DisplayLanguage::Simplified;
    for (winui::Image* image : {&Image0s, &Image1s, &Image2s}) {
        image->SetVisible(simplified);
    }
    for (winui::Image* image : {&Image0c, &Image1c, &Image2c}) {
        image->SetVisible(!simplified);
    }

    // No existence test: a missing list stops the creation here, in the error
    // box, and leaves an empty list with nothing selected.
    serverLines_ = update::LoadLines(programDir_ / "isp0.dat");
    for (std::size_t i = 0; i + 1 < serverLines_.size(); ++i) {
        ListBox1.Add(winui::Widen(update::LineField(serverLines_[i], 1)));
    }
    ListBox1.Add(winui::Widen(kAnyServer, winui::kBig5));

    ListBox1.SetItemIndex(
        update::ReadChosenIndex(programDir_ / update::kChosenServerFile, ListBox1.Count()));
}

void TForm2::FormShow() {
    SetBounds(updateWindow_.Left() + 100, updateWindow_.Top(), Width(), Height());
}

void TForm2::Confirm(winui::Image& restPicture) {
    restPicture.SetVisible(false);  // uncovers the pressed picture beneath it
    restPicture.Repaint();
    // A choice that cannot be remembered still holds for this run.
    update::WriteChosenIndex(programDir_ / update::kChosenServerFile, ListBox1.ItemIndex());
    Close();
}

}  // namespace updater
