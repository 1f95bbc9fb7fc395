#pragma once
// The launcher's server chooser: a modal list of the update servers and an
// "any server" entry, shown by the update run before it connects. The choice
// is remembered in the chosen-server file of the program folder.

#include <filesystem>
#include <string>
#include <vector>

#include "update/text_lines.h"
#include "update/update_view.h"
#include "winui/controls.h"
#include "winui/form.h"

namespace launcher {

class TISPForm : public winui::Form, public update::IServerChooser {
public:
    // The chooser opens beside the update window and keeps its choice in that
    // window's program folder.
    TISPForm(const winui::Form& updateWindow, std::filesystem::path programDir);

    winui::Image Image0c;     // background: title, framed list area, OK drawn in place
    winui::Image Image1;      // OK button
    winui::ListBox ListBox1;  // the servers, then the any-server entry

    // Any mouse button confirms, on the way down.
    void Image1MouseDown(winui::MouseButton, int, int);

    // IServerChooser
    void ShowModal() override;
    int SelectedIndex() const override { return ListBox1.ItemIndex(); }
    int ItemCount() const override { return ListBox1.Count(); }
    std::vector<std::string> ServerLines() const override { return serverLines_; }

protected:
    void FormCreate() override;
    void FormShow() override;

private:
    const winui::Form& updateWindow_;
    std::filesystem::path programDir_;
    update::Lines serverLines_;
};

}  // namespace launcher
