#pragma once
// The updater's server chooser: shown modally at the start of the update run,
// it lists the servers of isp0.dat and the any-server entry, and stores the
// confirmed entry in isp1.dat. Two picture sets held inside the program; the
// update window's language picks one.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "update/update_view.h"
#include "winui/controls.h"
#include "winui/form.h"

namespace updater {

class TForm2 : public winui::Form {
public:
    // updateWindow: the chooser opens beside it. language: asked once at
    // creation, it picks the picture set. programDir: where isp0.dat and
    // isp1.dat are, with or without a trailing separator.
    TForm2(const winui::Form& updateWindow, std::function<update::DisplayLanguage()> language,
           std::filesystem::path programDir);

    // Bottom to top: a pressed OK picture lies directly beneath its rest picture.
    winui::Image Image0c;     // background, Traditional title
    winui::Image Image0s;     // background, Simplified title
    winui::Image Image2c;     // OK pressed, Traditional
    winui::Image Image2s;     // OK pressed, Simplified
    winui::Image Image1c;     // OK at rest, Traditional
    winui::Image Image1s;     // OK at rest, Simplified
    winui::ListBox ListBox1;  // the entries: field 1 of each server line, then the any-server entry

    // Every line of isp0.dat, end line included, in file order; entry i of
    // ListBox1 stands for line i.
    const std::vector<std::string>& ServerLines() const { return serverLines_; }

    // Confirmation: on the way down, with any mouse button.
    void Image1cMouseDown(winui::MouseButton, int, int) { Confirm(Image1c); }
    void Image1sMouseDown(winui::MouseButton, int, int) { Confirm(Image1s); }

    // What the update run sees of the chooser.
    update::IServerChooser& Chooser() { return chooser_; }

    // "其它", the any-server entry, as Big5 bytes in every language.
    static constexpr char kAnyServer[] = "\xA8\xE4\xA5\xA6";

protected:
    void FormCreate() override;
    void FormShow() override;

private:
    void Confirm(winui::Image& restPicture);

    class Adapter : public update::IServerChooser {
    public:
        explicit Adapter(TForm2& form) : form_(form) {}
        void ShowModal() override { form_.ShowModal(); }
        int SelectedIndex() const override { return form_.ListBox1.ItemIndex(); }
        int ItemCount() const override { return form_.ListBox1.Count(); }
        std::vector<std::string> ServerLines() const override { return form_.serverLines_; }

    private:
        TForm2& form_;
    };

    const winui::Form& updateWindow_;
    std::function<update::DisplayLanguage()> language_;
    std::filesystem::path programDir_;
    std::vector<std::string> serverLines_;
    Adapter chooser_{*this};
};

}  // namespace updater
