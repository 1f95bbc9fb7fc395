// The launcher's server chooser under wine: its entries, the remembered
// choice, confirmation by any mouse button and its place beside the update
// window. The server list is read from the current folder, the chosen-server
// file from the program folder: here they are different folders.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "launcher/server_chooser.h"
#include "tests/launcher/launcher_fixture.h"
#include "winui/text.h"

namespace {

using launcher::TISPForm;
using namespace launcher_test;

class Chooser : public GameFolder {
protected:
    void SetUp() override {
        GameFolder::SetUp();
        programDir_ = dir_ / "program";
        fs::create_directories(programDir_);
        updateWindow_.SetBounds(150, 120, 300, 200);
    }

    void PutServerList(const std::string& bytes) const {
        std::ofstream(dir_ / "isp0.dat", std::ios::binary) << bytes;
    }
    void PutChoice(const std::string& bytes) const {
        std::ofstream(programDir_ / "isp1.dat", std::ios::binary) << bytes;
    }
    std::string Choice() const {
        std::ifstream in(programDir_ / "isp1.dat", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Shows the chooser modally; a press of this button on OK is waiting in the
    // queue, so the modal showing ends only if that press confirms.
    void ConfirmWith(TISPForm& chooser, UINT buttonDown) {
        const POINT ok = CentreOf(chooser.Image1);
        PostMessageW(chooser.Handle(), buttonDown, 0, MAKELPARAM(ok.x, ok.y));
        chooser.ShowModal();
    }

    fs::path programDir_;
    winui::Form updateWindow_{winui::FormStyle{}};
};

std::vector<std::wstring> Items(const winui::ListBox& list) {
    std::vector<std::wstring> items;
    for (int i = 0; i < list.Count(); ++i) {
        items.push_back(list.Item(i));
    }
    return items;
}

const std::wstring kAnyServer = L"\x5176\x5b83";  // 其它

TEST_F(Chooser, ListsTheServersThenAnyServerAndStoresTheConfirmedIndex) {
    PutServerList("A 127.0.0.1 2121 3000 u p\r\n  B 127.0.0.1 2122 3000 u p\r\nend\r\n");
    TISPForm chooser(updateWindow_, programDir_);
    chooser.Create();
    EXPECT_EQ(Items(chooser.ListBox1), (std::vector<std::wstring>{L"A", L"B", kAnyServer}));
    EXPECT_EQ(chooser.ItemCount(), 3);
    EXPECT_EQ(chooser.SelectedIndex(), 0);  // no chosen-server file yet
    EXPECT_EQ(chooser.ServerLines(),
              (std::vector<std::string>{"A 127.0.0.1 2121 3000 u p", "  B 127.0.0.1 2122 3000 u p",
                                        "end"}));
    EXPECT_EQ(chooser.ClientWidth(), 400);
    EXPECT_EQ(chooser.ClientHeight(), 400);
    EXPECT_EQ(chooser.ListBox1.ItemHeight(), 13);

    chooser.ListBox1.SetItemIndex(2);
    ConfirmWith(chooser, WM_RBUTTONDOWN);  // any button, on the way down
    EXPECT_EQ(Choice(), "2\r\n");
    EXPECT_FALSE(chooser.Visible());
    // Beside the update window, level with its top.
    EXPECT_EQ(chooser.Left(), 250);
    EXPECT_EQ(chooser.Top(), 120);
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(Chooser, OpensOnTheRememberedEntry) {
    PutServerList("A h 21 1 u p\r\nB h 21 1 u p\r\nend\r\n");
    const std::pair<const char*, int> cases[] = {
        {"1\r\n", 1}, {"2\r\n", 2}, {"7\r\n", 0}, {"x", 0}};
    for (const auto& [content, index] : cases) {
        PutChoice(content);
        TISPForm chooser(updateWindow_, programDir_);
        chooser.Create();
        EXPECT_EQ(chooser.SelectedIndex(), index) << content;
    }
    // The chosen-server file of the current folder is not the program's.
    fs::remove(programDir_ / "isp1.dat");
    std::ofstream(dir_ / "isp1.dat", std::ios::binary) << "1\r\n";
    TISPForm chooser(updateWindow_, programDir_);
    chooser.Create();
    EXPECT_EQ(chooser.SelectedIndex(), 0);
}

TEST_F(Chooser, WithoutAServerListOnlyAnyServerIsOffered) {
    // The program folder's server list is not the one the launcher's chooser reads.
    std::ofstream(programDir_ / "isp0.dat", std::ios::binary) << "A h 21 1 u p\r\nend\r\n";
    TISPForm chooser(updateWindow_, programDir_);
    chooser.Create();
    EXPECT_EQ(Items(chooser.ListBox1), std::vector<std::wstring>{kAnyServer});
    // The Big5 bytes, whatever the system's code page.
    EXPECT_EQ(winui::Narrow(chooser.ListBox1.Item(0), winui::kBig5), "\xa8\xe4\xa5\xa6");
    EXPECT_TRUE(chooser.ServerLines().empty());
    ConfirmWith(chooser, WM_LBUTTONDOWN);
    EXPECT_EQ(Choice(), "0\r\n");
}

TEST_F(Chooser, AChoiceThatCannotBeStoredStillClosesTheChooser) {
    fs::create_directory(programDir_ / "isp1.dat");
    TISPForm chooser(updateWindow_, programDir_);
    chooser.Create();
    ConfirmWith(chooser, WM_MBUTTONDOWN);
    EXPECT_FALSE(chooser.Visible());
    EXPECT_TRUE(fs::is_directory(programDir_ / "isp1.dat"));
}

}  // namespace
