// The updater's server chooser under wine: entries and selection from the
// server and chosen-server files, picture set per language, geometry, and the
// confirmation on the way down with any mouse button.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/update/temp_dir.h"
#include "updater/server_chooser_win.h"
#include "winui/application.h"
#include "winui/message_pump.h"
#include "winui/recorded_boxes.h"
#include "winui/text.h"

namespace {

using update::DisplayLanguage;
using updater::TForm2;

winui::FormStyle UpdateWindowStyle() {
    winui::FormStyle style;
    style.Caption = L"update";
    style.Left = 150;
    style.Top = 120;
    style.ClientWidth = 620;
    style.ClientHeight = 450;
    return style;
}

class Chooser : public ::testing::Test {
protected:
    void TearDown() override {
        winui::ProcessMessages();
        winui::ResetTerminated();
    }

    TForm2& Make(DisplayLanguage language = DisplayLanguage::Traditional) {
        form_ = std::make_unique<TForm2>(
            updateWindow_, [language] { return language; }, dir_.Path);
        form_->Create();
        return *form_;
    }
    void Put(const char* name, const std::string& bytes) {
        testutil::WriteFile(dir_.Path / name, bytes);
    }
    std::vector<std::wstring> Entries() const {
        std::vector<std::wstring> entries;
        for (int i = 0; i < form_->ListBox1.Count(); ++i) {
            entries.push_back(form_->ListBox1.Item(i));
        }
        return entries;
    }

    testutil::TempDir dir_;
    winui::RecordedBoxes boxes_;
    winui::Form updateWindow_{UpdateWindowStyle()};
    std::unique_ptr<TForm2> form_;
};

const std::wstring kOther = L"\u5176\u5B83";  // 其它

TEST_F(Chooser, EntriesAreFirstFieldsOfServerLinesThenOther) {
    Put("isp0.dat",
        "A 127.0.0.1 21 5000 u p\r\n"
        "   B 127.0.0.2 21 5000 u p\r\n"
        "lonely\r\n"
        "end\r\n");
    TForm2& form = Make();
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"A", L"B", L"lonely", kOther}));
    EXPECT_EQ(form.ServerLines().size(), 4u);
    EXPECT_EQ(form.ServerLines()[1], "   B 127.0.0.2 21 5000 u p");
    EXPECT_EQ(form.Chooser().ServerLines(), form.ServerLines());
    EXPECT_EQ(form.Chooser().ItemCount(), 4);
    EXPECT_EQ(form.Chooser().SelectedIndex(), 0);  // no chosen-server file
    EXPECT_TRUE(boxes_.Shown.empty());
}

TEST_F(Chooser, StoredIndexSelectsAnEntryOrNone) {
    Put("isp0.dat", "A h 21 1 u p\r\nB h 21 1 u p\r\nend\r\n");
    const std::pair<const char*, int> cases[] = {
        {"1\r\n", 1}, {"2\r\n", 2}, {"3\r\n", -1}, {"-1\r\n", -1}};
    for (const auto& [stored, selected] : cases) {
        Put("isp1.dat", stored);
        EXPECT_EQ(Make().Chooser().SelectedIndex(), selected) << stored;
    }
    EXPECT_TRUE(boxes_.Shown.empty());
}

// Errors stop the creation where they stand and show in the error box.
TEST_F(Chooser, UnreadableFilesStopTheCreationInTheErrorBox) {
    struct Case {
        const char* isp0;  // nullptr: no file
        const char* isp1;
        std::vector<std::wstring> entries;
    } const cases[] = {
        {nullptr, nullptr, {}},
        {"A h 21 1 u p\r\nend\r\n", "", {L"A", kOther}},
        {"A h 21 1 u p\r\nend\r\n", "first\r\n", {L"A", kOther}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir_.Path / "isp0.dat");
        std::filesystem::remove(dir_.Path / "isp1.dat");
        if (c.isp0 != nullptr) Put("isp0.dat", c.isp0);
        if (c.isp1 != nullptr) Put("isp1.dat", c.isp1);
        boxes_.Shown.clear();
        TForm2& form = Make();
        EXPECT_EQ(Entries(), c.entries);
        EXPECT_EQ(form.Chooser().SelectedIndex(), -1);
        ASSERT_EQ(boxes_.Shown.size(), 1u);
        EXPECT_EQ(boxes_.Shown[0].Kind, winui::BoxKind::Error);
        EXPECT_FALSE(boxes_.Shown[0].Text.empty());
        // The pictures came first: the window is usable for the OK picture.
        EXPECT_FALSE(form.Image1c.Empty());
    }
    EXPECT_NE(boxes_.Shown[0].Text.find(L"first"), std::wstring::npos);
}

TEST_F(Chooser, PictureSetFollowsTheUpdateWindowsLanguage) {
    Put("isp0.dat", "end\r\n");
    const std::pair<DisplayLanguage, bool> cases[] = {{DisplayLanguage::English, false},
                                                      {DisplayLanguage::Traditional, false},
                                                      {DisplayLanguage::Simplified, true}};
    for (const auto& [language, simplified] : cases) {
        TForm2& form = Make(language);
        for (const winui::Image* image : {&form.Image0s, &form.Image1s, &form.Image2s}) {
            EXPECT_EQ(image->Visible(), simplified);
        }
        for (const winui::Image* image : {&form.Image0c, &form.Image1c, &form.Image2c}) {
            EXPECT_EQ(image->Visible(), !simplified);
        }
    }
}

TEST_F(Chooser, GeometryAndPlaceBesideTheUpdateWindow) {
    Put("isp0.dat", "A h 21 1 u p\r\nend\r\n");
    TForm2& form = Make();
    EXPECT_EQ(form.Width(), 408);
    EXPECT_EQ(form.Height(), 437);
    EXPECT_EQ(GetWindowTextLengthW(form.Handle()), 0);
    EXPECT_EQ(GetWindowLongPtrW(form.Handle(), GWL_STYLE) & WS_SYSMENU, 0);
    const RECT background{0, 0, 400, 400};
    const RECT ok{144, 352, 244, 381};
    for (const winui::Image* image : {&form.Image0c, &form.Image0s}) {
        EXPECT_TRUE(EqualRect(&image->Bounds(), &background));
    }
    for (const winui::Image* image : {&form.Image1c, &form.Image1s, &form.Image2c, &form.Image2s}) {
        EXPECT_TRUE(EqualRect(&image->Bounds(), &ok));
    }
    RECT list;
    GetWindowRect(form.ListBox1.Handle(), &list);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&list), 2);
    EXPECT_EQ(list.left, 54);
    EXPECT_EQ(list.top, 88);
    EXPECT_EQ(list.right - list.left, 293);
    EXPECT_EQ(list.bottom - list.top, 249);
    EXPECT_EQ(form.ListBox1.ItemHeight(), 16);

    updateWindow_.SetBounds(210, 90, 628, 479);
    form.Show();
    EXPECT_EQ(form.Left(), 310);
    EXPECT_EQ(form.Top(), 90);
    form.Hide();
}

// The modal showing ends on the way down; the way up never comes here.
TEST_F(Chooser, AnyButtonDownOnOkUncoversThePressedPictureStoresTheChoiceAndCloses) {
    Put("isp0.dat", "A h 21 1 u p\r\nB h 21 1 u p\r\nend\r\n");
    const std::pair<DisplayLanguage, UINT> cases[] = {
        {DisplayLanguage::Traditional, WM_RBUTTONDOWN},
        {DisplayLanguage::Simplified, WM_LBUTTONDOWN},
        {DisplayLanguage::English, WM_MBUTTONDOWN},
    };
    for (const auto& [language, message] : cases) {
        std::filesystem::remove(dir_.Path / "isp1.dat");
        TForm2& form = Make(language);
        form.ListBox1.SetItemIndex(2);  // 其它
        const bool simplified = language == DisplayLanguage::Simplified;
        PostMessageW(form.Handle(), message, 0, MAKELPARAM(150, 360));
        form.Chooser().ShowModal();
        EXPECT_FALSE(form.Visible());
        EXPECT_FALSE((simplified ? form.Image1s : form.Image1c).Visible());
        EXPECT_TRUE((simplified ? form.Image2s : form.Image2c).Visible());
        EXPECT_EQ(testutil::ReadFile(dir_.Path / "isp1.dat"), "2\r\n");
        // The capture taken on the way down must not outlive the chooser.
        SendMessageW(form.Handle(), message + 1, 0, MAKELPARAM(150, 360));
    }
}

TEST_F(Chooser, ConfirmingWithNothingSelectedStoresMinusOne) {
    Put("isp0.dat", "end\r\n");
    TForm2& form = Make();
    form.ListBox1.SetItemIndex(-1);
    PostMessageW(form.Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(150, 360));
    form.Chooser().ShowModal();
    EXPECT_EQ(testutil::ReadFile(dir_.Path / "isp1.dat"), "-1\r\n");
}

}  // namespace
