#include "launcher/server_chooser.h"

#include <system_error>
#include <utility>

#include "core/exception.h"
#include "update/chosen_server.h"
#include "update/server_list.h"
#include "winui/embedded.h"
#include "winui/text.h"

WINUI_EMBEDDED(chooser_background)
WINUI_EMBEDDED(chooser_ok)

namespace launcher {
namespace {

// "其它" (other): stored as Big5 bytes and shown as such whatever the
// display language or the system's code page.
constexpr char kAnyServer[] = "\xa8\xe4\xa5\xa6";

constexpr wchar_t kMingLiU[] = L"\x65b0\x7d30\x660e\x9ad4";  // 新細明體

winui::FormStyle ChooserStyle() {
    winui::FormStyle style;
    style.Caption = L"";
    style.Sizeable = false;
    style.SystemMenu = false;  // no title-bar buttons: only the OK button closes it
    style.MinimizeBox = false;
    style.ClientWidth = 400;
    style.ClientHeight = 400;
    return style;
}

}  // namespace

TISPForm::TISPForm(const winui::Form& updateWindow, std::filesystem::path programDir)
    : winui::Form(ChooserStyle()),
      Image0c(*this),
      Image1(*this),
      ListBox1(*this),
      updateWindow_(updateWindow),
      programDir_(std::move(programDir)) {
    Image0c.LoadFromMemory(embedded::chooser_background, embedded::chooser_background_size);
    Image0c.SetBounds(0, 0, 400, 400);
    Image1.LoadFromMemory(embedded::chooser_ok, embedded::chooser_ok_size);
    Image1.SetBounds(151, 352, 99, 29);
    Image1.OnMouseDown = [this](winui::MouseButton b, int x, int y) { Image1MouseDown(b, x, y); };
    ListBox1.SetBounds(54, 89, 291, 249);
    ListBox1.SetFont(kMingLiU, -11);
    ListBox1.SetItemHeight(13);
}

void TISPForm::FormCreate() {
    // The server list under its relative name, that is in the current folder.
    std::error_code error;
    if (std::filesystem::exists(update::kServerListFile, error)) {
        serverLines_ = update::LoadLines(update::kServerListFile);
        for (const std::string& entry : update::ServerEntries(serverLines_)) {
            ListBox1.Add(winui::Widen(entry));
        }
    }
    ListBox1.Add(winui::Widen(kAnyServer, winui::kBig5));
    // A remembered choice that names no entry, or a broken file, selects entry
    // 0: the run then has a server line to start from.
    int remembered = 0;
    try {
        remembered =
            update::ReadChosenIndex(programDir_ / update::kChosenServerFile, ListBox1.Count());
    } catch (const selvane::Exception&) {
    }
    ListBox1.SetItemIndex(remembered < 0 ? 0 : remembered);
}

void TISPForm::FormShow() {
    SetBounds(updateWindow_.Left() + 100, updateWindow_.Top(), Width(), Height());
}

void TISPForm::ShowModal() { winui::Form::ShowModal(); }

void TISPForm::Image1MouseDown(winui::MouseButton, int, int) {
    // The choice only orders the servers of this run; a folder we cannot
    // write to must not keep the player in the chooser.
    update::WriteChosenIndex(programDir_ / update::kChosenServerFile, ListBox1.ItemIndex());
    Close();
}

}  // namespace launcher
