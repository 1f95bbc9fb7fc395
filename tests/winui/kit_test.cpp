// The kit under wine: event order of picture buttons, the error policy at the
// window procedure, pictures painted stretched and with a transparent colour,
// labels, list boxes, modal showing, locale values and code-page text.

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/exception.h"
#include "tests/winui/jpeg_writer.h"
#include "winui/application.h"
#include "winui/controls.h"
#include "winui/embedded.h"
#include "winui/locale.h"
#include "winui/message_pump.h"
#include "winui/recorded_boxes.h"
#include "winui/text.h"

WINUI_EMBEDDED(marker_picture)

namespace {

winui::FormStyle TestStyle() {
    winui::FormStyle style;
    style.Caption = L"kit";
    style.Left = 10;
    style.Top = 10;
    style.ClientWidth = 300;
    style.ClientHeight = 200;
    return style;
}

class TestForm : public winui::Form {
public:
    TestForm() : winui::Form(TestStyle()) {}
    std::function<void()> OnCreate;

protected:
    void FormCreate() override {
        if (OnCreate) {
            OnCreate();
        }
    }
};

// A control that only records its events.
class Probe : public winui::GraphicControl {
public:
    Probe(winui::Form& form, std::vector<std::string>& log, std::string name)
        : winui::GraphicControl(form) {
        OnMouseDown = [&log, name](winui::MouseButton b, int x, int y) {
            log.push_back(name + " down " + Name(b) + " " + std::to_string(x) + "," +
                          std::to_string(y));
        };
        OnMouseUp = [&log, name](winui::MouseButton b, int, int) {
            log.push_back(name + " up " + Name(b));
        };
        OnClick = [&log, name] { log.push_back(name + " click"); };
    }
    void Paint(HDC) override {}

private:
    static std::string Name(winui::MouseButton b) {
        return b == winui::MouseButton::Left ? "L" : b == winui::MouseButton::Right ? "R" : "M";
    }
};

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

class Kit : public ::testing::Test {
protected:
    void TearDown() override {
        winui::Application::Instance().SetOnException(nullptr);
        winui::Application::Instance().SetMainForm(nullptr);
        winui::ProcessMessages();
        winui::ResetTerminated();
    }
    winui::RecordedBoxes boxes;
};

TEST_F(Kit, MouseEventsComeInPressClickReleaseOrder) {
    struct Case {
        const char* name;
        UINT down, up;
        int upX, upY;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"left, released inside", WM_LBUTTONDOWN, WM_LBUTTONUP, 25, 25,
         {"a down L 5,15", "a click", "a up L"}},
        {"left, released outside", WM_LBUTTONDOWN, WM_LBUTTONUP, 250, 150,
         {"a down L 5,15", "a up L"}},
        {"right, released inside", WM_RBUTTONDOWN, WM_RBUTTONUP, 25, 25,
         {"a down R 5,15", "a up R"}},
        {"middle", WM_MBUTTONDOWN, WM_MBUTTONUP, 25, 25, {"a down M 5,15", "a up M"}},
    };
    for (const Case& c : cases) {
        TestForm form;
        std::vector<std::string> log;
        Probe a(form, log, "a");
        a.SetBounds(20, 10, 50, 40);
        SendMessageW(form.Handle(), c.down, 0, At(25, 25));
        SendMessageW(form.Handle(), c.up, 0, At(c.upX, c.upY));
        EXPECT_EQ(log, c.expected) << c.name;
    }
}

TEST_F(Kit, PressGoesToTheTopmostVisibleControl) {
    TestForm form;
    std::vector<std::string> log;
    Probe below(form, log, "below");
    Probe above(form, log, "above");
    below.SetBounds(0, 0, 100, 100);
    above.SetBounds(50, 50, 100, 100);
    SendMessageW(form.Handle(), WM_LBUTTONDOWN, 0, At(60, 60));
    SendMessageW(form.Handle(), WM_LBUTTONUP, 0, At(60, 60));
    above.SetVisible(false);
    SendMessageW(form.Handle(), WM_LBUTTONDOWN, 0, At(60, 60));
    SendMessageW(form.Handle(), WM_LBUTTONUP, 0, At(60, 60));
    SendMessageW(form.Handle(), WM_LBUTTONDOWN, 0, At(250, 150));  // on nothing
    SendMessageW(form.Handle(), WM_LBUTTONUP, 0, At(250, 150));
    const std::vector<std::string> expected = {"above down L 10,10", "above click", "above up L",
                                               "below down L 60,60", "below click", "below up L"};
    EXPECT_EQ(log, expected);
}

TEST_F(Kit, AnErrorInAHandlerStopsAtTheWindowAndGoesToThePolicy) {
    std::vector<std::string> caught;
    winui::Application::Instance().SetOnException([&caught](const std::exception_ptr& e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& error) {
            caught.push_back(error.what());
        }
    });
    TestForm form;
    std::vector<std::string> log;
    Probe a(form, log, "a");
    a.SetBounds(0, 0, 100, 100);
    a.OnClick = [] { throw selvane::Exception("click failed"); };
    SendMessageW(form.Handle(), WM_LBUTTONDOWN, 0, At(5, 5));
    SendMessageW(form.Handle(), WM_LBUTTONUP, 0, At(5, 5));
    // The click's error ended the handling of that message: no release step.
    EXPECT_EQ(log, std::vector<std::string>{"a down L 5,5"});
    EXPECT_EQ(caught, std::vector<std::string>{"click failed"});
    // The window goes on: the next press is handled as usual.
    SendMessageW(form.Handle(), WM_RBUTTONDOWN, 0, At(5, 5));
    SendMessageW(form.Handle(), WM_RBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(log.size(), 3u);

    // A creation handler stops where its error is raised; the window stays.
    TestForm created;
    int steps = 0;
    created.OnCreate = [&steps] {
        ++steps;
        throw std::runtime_error("creation failed");
    };
    created.Create();
    EXPECT_EQ(steps, 1);
    EXPECT_TRUE(IsWindow(created.Handle()));
    EXPECT_EQ(caught.back(), "creation failed");
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(Kit, WithoutAPolicyAnEscapedErrorIsShownInAnErrorBox) {
    TestForm form;
    form.OnCreate = [] { throw selvane::Exception("bad picture"); };
    form.Create();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Kind, winui::BoxKind::Error);
    EXPECT_EQ(boxes.Shown[0].Text, L"bad picture");
}

// Paints the form's controls into a 32-bit bitmap and reads pixels back.
class Canvas {
public:
    Canvas(int width, int height) : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, width, height};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

bool Near(COLORREF c, int r, int g, int b) {
    return std::abs(GetRValue(c) - r) < 12 && std::abs(GetGValue(c) - g) < 12 &&
           std::abs(GetBValue(c) - b) < 12;
}

TEST_F(Kit, PicturesPaintPlainStretchedAndWithATransparentColour) {
    const auto dir = std::filesystem::temp_directory_path() / "winui_kit_pictures";
    testing_jpeg::WriteFile(dir / "green.jpg", testing_jpeg::Solid(10, 10, 0, 200, 0));
    testing_jpeg::WriteFile(dir / "black.jpg", testing_jpeg::Solid(10, 10, 0, 0, 0));

    TestForm form;
    winui::Image plain(form);
    plain.SetBounds(0, 0, 40, 40);
    plain.LoadFromFile(dir / "green.jpg");
    EXPECT_EQ(plain.PictureWidth(), 10);
    EXPECT_EQ(plain.FileName(), dir / "green.jpg");
    // A picture that cannot be read leaves the one before it.
    EXPECT_THROW(plain.LoadFromFile(dir / "missing.jpg"), selvane::Exception);
    EXPECT_EQ(plain.FileName(), dir / "green.jpg");
    {
        Canvas canvas(50, 50);
        plain.Paint(canvas.Dc());
        EXPECT_TRUE(Near(canvas.At(5, 5), 0, 200, 0));
        EXPECT_EQ(canvas.At(20, 20), RGB(255, 255, 255));  // not stretched
    }
    plain.Stretch = true;
    {
        Canvas canvas(50, 50);
        plain.Paint(canvas.Dc());
        EXPECT_TRUE(Near(canvas.At(35, 35), 0, 200, 0));
        EXPECT_EQ(canvas.At(45, 45), RGB(255, 255, 255));
    }
    winui::Image keyed(form);
    keyed.SetBounds(0, 0, 10, 10);
    keyed.LoadFromFile(dir / "black.jpg");
    keyed.TransparentColor = RGB(0, 0, 0);
    {
        Canvas canvas(20, 20);
        keyed.Paint(canvas.Dc());
        EXPECT_EQ(canvas.At(5, 5), RGB(255, 255, 255));
    }
    // A picture kept inside the program.
    winui::Image held(form);
    held.AutoSize = true;
    held.LoadFromMemory(embedded::marker_picture, embedded::marker_picture_size);
    EXPECT_EQ(held.Width(), 27);
    EXPECT_EQ(held.Height(), 17);
    EXPECT_TRUE(held.FileName().empty());

    winui::Image sized(form);
    sized.AutoSize = true;
    sized.LoadFromFile(dir / "green.jpg");
    EXPECT_EQ(sized.Width(), 10);
    EXPECT_EQ(sized.Height(), 10);
    std::filesystem::remove_all(dir);
}

TEST_F(Kit, LabelsCentreByTheirMeasuredWidth) {
    TestForm form;
    winui::Label label(form);
    label.SetFont(L"Tahoma", 15);
    label.SetCaption(L"0% ");
    const int narrow = label.Width();
    EXPECT_GT(narrow, 0);
    label.SetCaption(L"0% of a much longer line");
    EXPECT_GT(label.Width(), narrow);
    for (int outer : {620, 628, 101, 0}) {
        label.CentreIn(outer);
        EXPECT_EQ(label.Left(), (outer - label.Width()) / 2) << outer;
    }
    label.CentreIn(label.Width() - 3);  // wider than its window: truncates toward zero
    EXPECT_EQ(label.Left(), -1);
}

TEST_F(Kit, ListBoxKeepsOrderAndSelectsOnlyExistingEntries) {
    TestForm form;
    winui::ListBox list(form);
    list.SetBounds(54, 89, 291, 249);
    list.SetItemHeight(13);
    EXPECT_EQ(list.ItemHeight(), 13);
    for (const wchar_t* item : {L"zeta", L"alpha", L"\u5176\u5b83"}) {
        list.Add(item);
    }
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item(0), L"zeta");  // never sorted
    EXPECT_EQ(list.Item(2), L"\u5176\u5b83");
    EXPECT_EQ(list.ItemIndex(), -1);
    list.SetItemIndex(1);
    EXPECT_EQ(list.ItemIndex(), 1);
    list.SetItemIndex(7);
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST_F(Kit, GaugeClampsAndReportsItsPercentage) {
    TestForm form;
    winui::Gauge gauge(form);
    gauge.SetBounds(34, 323, 545, 24);
    gauge.SetMaxValue(200);
    struct Case {
        int progress, percent;
    };
    for (const Case c : {Case{0, 0}, Case{1, 0}, Case{100, 50}, Case{199, 99}, Case{500, 100},
                         Case{-3, 0}}) {
        gauge.SetProgress(c.progress);
        EXPECT_EQ(gauge.PercentDone(), c.percent) << c.progress;
    }
    gauge.ForeColor = gauge.BackColor = RGB(23, 75, 215);
    gauge.SetProgress(100);
    Canvas canvas(600, 400);
    gauge.Paint(canvas.Dc());
    EXPECT_EQ(canvas.At(40, 325), RGB(23, 75, 215));
    EXPECT_EQ(canvas.At(570, 325), RGB(23, 75, 215));
}

TEST_F(Kit, ShowModalDisablesTheOthersUntilItCloses) {
    TestForm owner;
    ShowWindow(owner.Handle(), SW_SHOWNA);
    TestForm dialog;
    std::vector<std::string> log;
    Probe ok(dialog, log, "ok");
    ok.SetBounds(0, 0, 50, 50);
    ok.OnClick = [&] {
        log.push_back(IsWindowEnabled(owner.Handle()) ? "owner enabled" : "owner disabled");
        dialog.Close();
    };
    PostMessageW(dialog.Handle(), WM_LBUTTONDOWN, 0, At(5, 5));
    PostMessageW(dialog.Handle(), WM_LBUTTONUP, 0, At(5, 5));
    dialog.ShowModal();
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_EQ(log, (std::vector<std::string>{"ok down L 5,5", "owner disabled", "ok up L"}));

    // The close box of a window that is neither modal nor main only hides it.
    dialog.Show();
    SendMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(IsWindow(dialog.Handle()));
}

TEST_F(Kit, ClosingTheMainWindowEndsTheMessageLoop) {
    TestForm main;
    winui::Application::Instance().SetMainForm(&main);
    PostMessageW(main.Handle(), WM_CLOSE, 0, 0);
    winui::Application::Instance().Run();  // returns only once terminated
    EXPECT_TRUE(winui::Terminated());
    EXPECT_TRUE(main.Visible());  // destroyed with the program, not before
}

// What the timer saw of a real message box, and which button it pressed.
struct OpenBox {
    int pressButton = IDOK;
    std::wstring okText, yesText, noText;
    bool seen = false;
} openBox;

void CALLBACK AnswerTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowW(L"#32770", L"kit box");
    if (box == nullptr) {
        return;
    }
    KillTimer(nullptr, timer);
    wchar_t text[64];
    auto read = [&](int id) {
        text[0] = 0;
        if (GetDlgItem(box, id) != nullptr) {
            GetDlgItemTextW(box, id, text, 64);
        }
        return std::wstring(text);
    };
    openBox.okText = read(IDOK);
    openBox.yesText = read(IDYES);
    openBox.noText = read(IDNO);
    openBox.seen = true;
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(openBox.pressButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, openBox.pressButton)));
}

TEST(SystemBoxes, EachKindHasItsButtonsAndAnswers) {
    struct Case {
        winui::BoxKind kind;
        int press;
        winui::BoxAnswer answer;
        const wchar_t* ok;
        bool yesNo;
    };
    const Case cases[] = {
        {winui::BoxKind::Information, IDOK, winui::BoxAnswer::Ok, L"OK", false},
        {winui::BoxKind::Confirmation, IDYES, winui::BoxAnswer::Yes, L"", true},
        {winui::BoxKind::Confirmation, IDNO, winui::BoxAnswer::No, L"", true},
        {winui::BoxKind::ErrorAbort, IDOK, winui::BoxAnswer::Abort, L"Abort", false},
    };
    for (const Case& c : cases) {
        openBox = OpenBox{};
        openBox.pressButton = c.press;
        SetTimer(nullptr, 0, 50, AnswerTheBox);
        const winui::BoxAnswer answer =
            winui::Boxes().Show(nullptr, c.kind, L"question", L"kit box");
        ASSERT_TRUE(openBox.seen);
        EXPECT_EQ(answer, c.answer);
        // Labels may carry an accelerator ampersand.
        std::wstring ok = openBox.okText;
        ok.erase(std::remove(ok.begin(), ok.end(), L'&'), ok.end());
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(!openBox.yesText.empty() && !openBox.noText.empty(), c.yesNo);
    }
}

TEST(Locale, ValuesFromTheLocaleIdentifier) {
    struct Case {
        LCID id;
        LCID locale;
        int primary, sub;
    };
    const Case cases[] = {
        {0x404, 0x404, 4, 1}, {0x804, 0x804, 4, 2},      {0xC04, 0xC04, 4, 3},
        {0x1004, 0x1004, 4, 4}, {0x409, 0x409, 9, 1},    {0x411, 0x411, 0x11, 1},
        {0, 0x409, 9, 1},     {0x10000, 0x10000, 9, 1},  // a sort order without a language
    };
    for (const Case& c : cases) {
        const winui::LocaleValues v = winui::LocaleFromId(c.id);
        EXPECT_EQ(v.Locale, c.locale) << std::hex << c.id;
        EXPECT_EQ(v.PrimaryLanguage, c.primary) << std::hex << c.id;
        EXPECT_EQ(v.SubLanguage, c.sub) << std::hex << c.id;
    }
    winui::SetLocale(0x804);
    EXPECT_EQ(winui::Locale().SubLanguage, 2);
}

TEST(Text, CodePageBytesBecomeTheirCharacters) {
    struct Case {
        const char* bytes;
        UINT codePage;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"\xA8\xE4\xA5\xA6", winui::kBig5, L"\u5176\u5b83"},    // the "other" entry, Big5
        {"\xC6\xE4\xCB\xFC", winui::kGb2312, L"\u5176\u5b83"},  // the same in GB2312
        {"\xA7\xF3\xB7\x73", winui::kBig5, L"\u66f4\u65b0"},    // "update", Big5
        {"update", winui::kBig5, L"update"},
        {"", winui::kGb2312, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(winui::Widen(c.bytes, c.codePage), c.text) << c.bytes;
        EXPECT_EQ(winui::Narrow(c.text, c.codePage), c.bytes) << c.bytes;
    }
    const std::wstring dir = winui::ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), L'\\');
}

}  // namespace
