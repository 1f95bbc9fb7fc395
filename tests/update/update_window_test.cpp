// The update window under wine on a 1024 x 768 display: display language and
// pictures per locale, geometry after creation, the run's start at the first
// showing, the buttons' pictures around their clicks, and what the run shows
// through the window.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/winui/jpeg_writer.h"
#include "update/update_window_win.h"
#include "winui/application.h"
#include "winui/message_pump.h"
#include "winui/recorded_boxes.h"

namespace {

namespace fs = std::filesystem;
using update::DisplayLanguage;
using update::Text;
using update::TextCodePage;
using update::TUpdateForm;

// Each set's background has its own size, so the window's size shows which
// picture it took.
struct Background {
    const wchar_t* suffix;
    int width, height;
};
constexpr Background kBackgrounds[] = {{L"c", 620, 440}, {L"s", 600, 420}};

class UpdateWindow : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("update_window_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        for (const Background& set : kBackgrounds) {
            Write(std::wstring(L"0") + set.suffix, set.width, set.height);
            for (const wchar_t* button : {L"1", L"2", L"3"}) {
                for (const wchar_t* look : {L"-1", L"-2"}) {
                    Write(button + std::wstring(look) + set.suffix, 8, 8);
                }
            }
        }
        winui::SetLocale(0x404);
        winui::Application::Instance().SetOnException(
            [this](const std::exception_ptr&) { ++errors_; });
    }

    void TearDown() override {
        winui::Application::Instance().SetOnException(nullptr);
        winui::ProcessMessages();
        winui::ResetTerminated();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    void Write(const std::wstring& stem, int width, int height) {
        testing_jpeg::WriteFile(dir_ / L"upimg" / (stem + L".jpg"),
                                testing_jpeg::Solid(width, height, 40, 80, 160));
    }

    update::UpdateFormOptions Options() const {
        update::UpdateFormOptions options;
        options.ProgramDir = dir_;
        return options;
    }

    fs::path Picture(const std::wstring& name) const { return dir_ / L"upimg" / name; }

    fs::path dir_;
    int errors_ = 0;
    winui::RecordedBoxes boxes_;
};

RECT ClientBounds(const winui::Form& form, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Same(const RECT& actual, RECT expected) { return EqualRect(&actual, &expected) != FALSE; }

std::wstring FontFace(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfFaceName;
}

void Send(winui::Form& form, const winui::GraphicControl& control, UINT message) {
    const int x = control.Left() + control.Width() / 2;
    const int y = control.Top() + control.Height() / 2;
    SendMessageW(form.Handle(), message, 0, MAKELPARAM(x, y));
}

TEST_F(UpdateWindow, LanguageAndPicturesFollowTheLocale) {
    struct Case {
        LCID locale;
        DisplayLanguage language;
        const wchar_t* letter;
        const wchar_t* suffix;
        int width, height;
    };
    const Case cases[] = {
        {0x404, DisplayLanguage::Traditional, L"t", L"c", 620, 440},
        {0x804, DisplayLanguage::Simplified, L"s", L"s", 600, 420},
        {0xC04, DisplayLanguage::Simplified, L"s", L"s", 600, 420},
        {0x409, DisplayLanguage::English, L"n", L"c", 620, 440},
        {0x411, DisplayLanguage::English, L"n", L"c", 620, 440},
    };
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.locale);
        winui::SetLocale(c.locale);
        TUpdateForm form(Options());
        form.Create();
        EXPECT_EQ(form.Language(), c.language);
        EXPECT_STREQ(update::LanguageLetter(form.Language()), c.letter);
        const std::wstring suffix = c.suffix;
        EXPECT_EQ(form.Image1.FileName(), Picture(L"0" + suffix + L".jpg"));
        EXPECT_EQ(form.Image2.FileName(), Picture(L"1-1" + suffix + L".jpg"));
        EXPECT_EQ(form.Image3.FileName(), Picture(L"2-1" + suffix + L".jpg"));
        EXPECT_EQ(form.Image4.FileName(), Picture(L"3-1" + suffix + L".jpg"));
        // The client area fits the background; the place is computed for a
        // 628 x 479 window whatever the background's size.
        EXPECT_EQ(form.ClientWidth(), c.width);
        EXPECT_EQ(form.ClientHeight(), c.height);
        EXPECT_EQ(form.Left(), 198);
        EXPECT_EQ(form.Top(), 144);
        EXPECT_TRUE(form.RunPending());
    }
    EXPECT_EQ(errors_, 0);
}

TEST_F(UpdateWindow, ControlsAfterCreation) {
    TUpdateForm form(Options());
    form.Create();

    wchar_t caption[16] = {};
    GetWindowTextW(form.Handle(), caption, 16);
    EXPECT_STREQ(caption, L"update");
    const LONG_PTR style = GetWindowLongPtrW(form.Handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME), WS_MINIMIZEBOX);

    const struct {
        const winui::GraphicControl& control;
        RECT bounds;
        bool visible;
    } controls[] = {
        {form.Image1, {0, 0, 620, 440}, true},      {form.Image2, {80, 377, 170, 403}, true},
        {form.Image3, {248, 377, 377, 403}, false}, {form.Image4, {448, 377, 538, 403}, true},
        {form.Gauge1, {34, 323, 579, 347}, true},
    };
    for (const auto& c : controls) {
        EXPECT_TRUE(Same(c.control.Bounds(), c.bounds))
            << c.control.Left() << "," << c.control.Top() << " " << c.control.Width() << "x"
            << c.control.Height();
        EXPECT_EQ(c.control.Visible(), c.visible);
    }
    EXPECT_TRUE(Same(ClientBounds(form, form.ListBox1.Handle()), {41, 92, 252, 279}));
    EXPECT_TRUE(Same(ClientBounds(form, form.ListBox2.Handle()), {369, 92, 580, 279}));
    EXPECT_EQ(FontFace(form.ListBox1.Handle()), L"Courier New");
    EXPECT_EQ(FontFace(form.ListBox2.Handle()), L"Courier New");

    // Label3 waits hidden, centred in the outer width; Label4 was centred in
    // the design width 620 before the background was loaded.
    EXPECT_FALSE(form.Label3.Visible());
    EXPECT_EQ(form.Label3.Top(), 290);
    EXPECT_EQ(form.Label3.Left(), (form.Width() - form.Label3.Width()) / 2);
    EXPECT_EQ(form.Label4.Caption(), L"0% ");
    EXPECT_EQ(form.Label4.Top(), 328);
    EXPECT_EQ(form.Label4.Left(), (620 - form.Label4.Width()) / 2);
    EXPECT_EQ(form.Label3.Color, RGB(255, 255, 0));
    EXPECT_EQ(form.Gauge1.ForeColor, RGB(23, 75, 215));
    EXPECT_EQ(form.Gauge1.BackColor, RGB(23, 75, 215));
    EXPECT_EQ(form.ProgramDir(), dir_);
}

TEST_F(UpdateWindow, AMissingPictureStopsCreationAndTheRunNeverStarts) {
    fs::remove(Picture(L"2-1c.jpg"));
    TUpdateForm form(Options());
    int runs = 0;
    form.OnRun = [&] { ++runs; };
    form.Create();
    EXPECT_EQ(errors_, 1);
    EXPECT_FALSE(form.Image2.Empty());
    EXPECT_TRUE(form.Image3.Empty());
    EXPECT_TRUE(form.Image4.Empty());
    EXPECT_FALSE(form.RunPending());
    ShowWindow(form.Handle(), SW_SHOWNA);
    winui::ProcessMessages();
    EXPECT_EQ(runs, 0);
}

TEST_F(UpdateWindow, TheRunStartsOnceAtTheFirstShowingWithTheWindowOnScreen) {
    TUpdateForm form(Options());
    int runs = 0;
    int closes = 0;
    bool visibleDuringRun = false;
    form.OnRun = [&] {
        ++runs;
        visibleDuringRun = form.Visible();
        form.CloseWindow();
    };
    form.OnFormClose = [&] { ++closes; };
    form.Create();
    EXPECT_EQ(runs, 0);
    form.ShowModal();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(visibleDuringRun);
    EXPECT_FALSE(form.Visible());

    // Showing it again shows it as it was left; a close message closes it
    // through the same handler.
    PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
    form.ShowModal();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(errors_, 0);
}

TEST_F(UpdateWindow, ButtonsKeepThePressedPictureWhileTheirClickRuns) {
    TUpdateForm form(Options());
    form.Create();
    form.ShowStartButton();
    fs::path duringClick;
    int clicks = 0;
    struct Button {
        winui::Image& image;
        std::function<void()>& onClick;
        std::wstring number;
    };
    Button buttons[] = {{form.Image2, form.OnUpdateClick, L"1"},
                        {form.Image3, form.OnStartClick, L"2"},
                        {form.Image4, form.OnExitClick, L"3"}};
    for (Button& b : buttons) {
        SCOPED_TRACE(::testing::Message() << "button " << b.number.c_str()[0] - L'0');
        b.onClick = [&, image = &b.image] {
            ++clicks;
            duringClick = image->FileName();
        };
        // The right button swaps the pictures but clicks nothing.
        Send(form, b.image, WM_RBUTTONDOWN);
        EXPECT_EQ(b.image.FileName(), Picture(b.number + L"-2c.jpg"));
        Send(form, b.image, WM_RBUTTONUP);
        EXPECT_EQ(b.image.FileName(), Picture(b.number + L"-1c.jpg"));
        EXPECT_EQ(clicks, 0);

        Send(form, b.image, WM_LBUTTONDOWN);
        Send(form, b.image, WM_LBUTTONUP);
        EXPECT_EQ(clicks, 1);
        EXPECT_EQ(duringClick, Picture(b.number + L"-2c.jpg"));
        EXPECT_EQ(b.image.FileName(), Picture(b.number + L"-1c.jpg"));
        clicks = 0;
    }
}

TEST_F(UpdateWindow, ShowsEveryTextThroughItsOwnCodePage) {
    TUpdateForm form(Options());
    form.Create();
    struct Case {
        const char* bytes;
        TextCodePage codePage;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {"\xb3\x73\xbd\x75\xa4\xa4...", TextCodePage::Big5, L"\x9023\x7dda\x4e2d..."},  // 連線中
        {"\xc1\xac\xcf\xdf\xd6\xd0...", TextCodePage::Gb2312, L"\x8fde\x7ebf\x4e2d..."},  // 连线中
        {"1file remain to be updated", TextCodePage::Ascii, L"1file remain to be updated"},
        {"update3.dat", TextCodePage::System, L"update3.dat"},
    };
    auto textOf = [](const Case& c) { return Text{c.bytes, c.codePage}; };
    for (const Case& c : cases) {
        form.ShowStatus(textOf(c));
        EXPECT_EQ(form.Label3.Caption(), c.shown);
        EXPECT_TRUE(form.Label3.Visible());
        EXPECT_EQ(form.Label3.Top(), 290);
        EXPECT_EQ(form.Label3.Left(), (form.Width() - form.Label3.Width()) / 2);
        form.ShowProgressText(textOf(c));
        EXPECT_EQ(form.Label4.Caption(), c.shown);
        EXPECT_EQ(form.Label4.Top(), 328);
        EXPECT_EQ(form.Label4.Left(), (form.Width() - form.Label4.Width()) / 2);
    }

    boxes_.Answers = {winui::BoxAnswer::Yes, winui::BoxAnswer::No};
    EXPECT_TRUE(form.Confirm(textOf(cases[0])));
    EXPECT_FALSE(form.Confirm(textOf(cases[1])));
    form.ShowBox(textOf(cases[1]));
    ASSERT_EQ(boxes_.Shown.size(), 3u);
    EXPECT_EQ(boxes_.Shown[0].Kind, winui::BoxKind::Confirmation);
    EXPECT_EQ(boxes_.Shown[0].Text, cases[0].shown);
    EXPECT_EQ(boxes_.Shown[2].Kind, winui::BoxKind::Plain);
    EXPECT_EQ(boxes_.Shown[2].Text, cases[1].shown);
    for (const auto& box : boxes_.Shown) {
        EXPECT_EQ(box.Owner, form.Handle());  // the modal window, not the main menu
    }
}

TEST_F(UpdateWindow, ListsMoveNamesFromToDoToDoneAndTheGaugeTakesHugeFiles) {
    TUpdateForm form(Options());
    form.Create();
    form.SetToDoNames({{"a.dat", TextCodePage::System},
                       {"data\\b.pak", TextCodePage::System},
                       {"c.exe", TextCodePage::System}});
    form.MoveFirstToDone();
    form.MoveFirstToDone();
    ASSERT_EQ(form.ListBox1.Count(), 1);
    EXPECT_EQ(form.ListBox1.Item(0), L"c.exe");
    ASSERT_EQ(form.ListBox2.Count(), 2);
    EXPECT_EQ(form.ListBox2.Item(0), L"a.dat");
    EXPECT_EQ(form.ListBox2.Item(1), L"data\\b.pak");

    // Byte counts beyond 2 GiB must not wrap the bar.
    form.SetGaugeMax(6'000'000'000);
    form.SetGaugePosition(3'000'000'000);
    EXPECT_EQ(form.Gauge1.PercentDone(), 50);
    form.SetGaugeMax(1000);
    form.SetGaugePosition(250);
    EXPECT_EQ(form.Gauge1.PercentDone(), 25);
}

TEST_F(UpdateWindow, StartsTheGameFromAFolderWithBlanksWithItsArguments) {
    const fs::path game = dir_ / L"my game" / L"ostrel.exe";
    fs::create_directories(game.parent_path());
    // The build tree, as wine's drive Z:.
    std::wstring recorder = L"Z:" + fs::path(SELVANE_RECORD_ARGS_EXE).wstring();
    std::replace(recorder.begin(), recorder.end(), L'/', L'\\');
    fs::copy_file(recorder, game);
    TUpdateForm form(Options());
    form.StartProgram(game, "1");
    const fs::path recorded = game.parent_path() / L"browser_args.txt";
    for (int i = 0; i < 200 && !fs::exists(recorded); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::ifstream in(recorded, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, std::string("1\0\n\0", 4));  // one argument, as UTF-16
}

}  // namespace
