// The kit under wine: event order of picture buttons, the error policy at the
// window procedure, picture painting, modal showing, list selection and the
// system's message boxes.

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
#include "winui/message_pump.h"
#include "winui/recorded_boxes.h"

WINUI_EMBEDDED(marker_picture)

namespace {

class TestForm : public winui::Form {
public:
    TestForm() : winui::Form({L"kit", false, true, false, 10, 10, 300, 200}) {}
    std::function<void()> OnCreate;

protected:
    void FormCreate() override { OnCreate(); }
};

// A control that records its events as "name down L 5,15", "name click", "name up L".
class Probe : public winui::GraphicControl {
public:
    Probe(winui::Form& form, std::vector<std::string>& log, std::string name, RECT r)
        : winui::GraphicControl(form) {
        SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
        static constexpr const char* kButtons[] = {"L", "R", "M"};
        OnMouseDown = [&log, name](winui::MouseButton b, int x, int y) {
            log.push_back(name + " down " + kButtons[int(b)] + " " + std::to_string(x) + "," +
                          std::to_string(y));
        };
        OnMouseUp = [&log, name](winui::MouseButton b, int, int) {
            log.push_back(name + " up " + kButtons[int(b)]);
        };
        OnClick = [&log, name] { log.push_back(name + " click"); };
    }
    void Paint(HDC) override {}
};

void Mouse(const winui::Form& form, UINT message, int x, int y) {
    SendMessageW(form.Handle(), message, 0, MAKELPARAM(x, y));
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

TEST_F(Kit, MouseEventsComeInPressClickReleaseOrderToTheTopmostControl) {
    using Log = std::vector<std::string>;
    struct Case {
        const char* name;
        UINT down, up;
        POINT press, release;
        Log expected;
    };
    const Case cases[] = {
        {"left, released inside",
         WM_LBUTTONDOWN,
         WM_LBUTTONUP,
         {25, 25},
         {25, 25},
         {"a down L 5,15", "a click", "a up L"}},
        {"left, released outside",
         WM_LBUTTONDOWN,
         WM_LBUTTONUP,
         {25, 25},
         {250, 150},
         {"a down L 5,15", "a up L"}},
        {"right", WM_RBUTTONDOWN, WM_RBUTTONUP, {25, 25}, {25, 25}, {"a down R 5,15", "a up R"}},
        {"middle", WM_MBUTTONDOWN, WM_MBUTTONUP, {25, 25}, {25, 25}, {"a down M 5,15", "a up M"}},
        {"overlap: the later control",
         WM_LBUTTONDOWN,
         WM_LBUTTONUP,
         {65, 45},
         {65, 45},
         {"b down L 5,5", "b click", "b up L"}},
        {"on no control", WM_LBUTTONDOWN, WM_LBUTTONUP, {250, 150}, {250, 150}, {}},
    };
    for (const Case& c : cases) {
        TestForm form;
        Log log;
        Probe a(form, log, "a", {20, 10, 70, 50});
        Probe b(form, log, "b", {60, 40, 120, 90});
        Probe hidden(form, log, "hidden", {0, 0, 300, 200});
        hidden.SetVisible(false);
        Mouse(form, c.down, c.press.x, c.press.y);
        Mouse(form, c.up, c.release.x, c.release.y);
        EXPECT_EQ(log, c.expected) << c.name;
    }
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
    Probe a(form, log, "a", {0, 0, 100, 100});
    a.OnClick = [] { throw selvane::Exception("click failed"); };
    Mouse(form, WM_LBUTTONDOWN, 5, 5);
    Mouse(form, WM_LBUTTONUP, 5, 5);
    // The error ended the handling of that release: no release step.
    EXPECT_EQ(log, std::vector<std::string>{"a down L 5,5"});
    EXPECT_EQ(caught, std::vector<std::string>{"click failed"});
    Mouse(form, WM_RBUTTONDOWN, 5, 5);  // the window goes on as usual
    Mouse(form, WM_RBUTTONUP, 5, 5);
    EXPECT_EQ(log.size(), 3u);

    // A creation handler stops where its error is raised; the window stays.
    form.OnCreate = [] { throw std::runtime_error("creation failed"); };
    form.Create();
    EXPECT_TRUE(IsWindow(form.Handle()));
    EXPECT_EQ(caught.back(), "creation failed");
    EXPECT_TRUE(boxes.Shown.empty());

    // Without a policy of its own the application shows the standard error box.
    winui::Application::Instance().SetOnException(nullptr);
    form.Create();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Kind, winui::BoxKind::Error);
    EXPECT_EQ(boxes.Shown[0].Text, L"creation failed");
}

TEST_F(Kit, PicturesPaintPlainStretchedAndWithATransparentColour) {
    const auto dir = std::filesystem::temp_directory_path() / "winui_kit_pictures";
    testing_jpeg::WriteFile(dir / "green.jpg", testing_jpeg::Solid(10, 10, 0, 200, 0));
    TestForm form;
    winui::Image image(form);
    image.SetBounds(0, 0, 40, 40);
    image.LoadFromFile(dir / "green.jpg");
    // A picture that cannot be read leaves the one before it.
    EXPECT_THROW(image.LoadFromFile(dir / "missing.jpg"), selvane::Exception);
    EXPECT_EQ(image.FileName(), dir / "green.jpg");
    std::filesystem::remove_all(dir);

    struct Case {
        bool stretch;
        std::optional<COLORREF> transparent;
        COLORREF inside, beyondPicture;  // at (5, 5) and (35, 35); white is the canvas
    };
    const COLORREF white = RGB(255, 255, 255);
    const Case cases[] = {
        {false, std::nullopt, RGB(0, 200, 0), white},
        {true, std::nullopt, RGB(0, 200, 0), RGB(0, 200, 0)},
        {true, RGB(0, 200, 0), white, white},
    };
    for (const Case& c : cases) {
        image.Stretch = c.stretch;
        image.TransparentColor = c.transparent;
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), 50, -50, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        HBITMAP canvas = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, canvas);
        PatBlt(dc, 0, 0, 50, 50, WHITENESS);
        image.Paint(dc);
        auto alike = [](COLORREF a, COLORREF b) {
            return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
                       std::abs(GetBValue(a) - GetBValue(b)) <
                   12;
        };
        EXPECT_TRUE(alike(GetPixel(dc, 5, 5), c.inside)) << c.stretch;
        EXPECT_TRUE(alike(GetPixel(dc, 35, 35), c.beyondPicture)) << c.stretch;
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteDC(dc);
    }

    // A picture kept inside the program, sizing its control.
    image.AutoSize = true;
    image.LoadFromMemory(embedded::marker_picture, embedded::marker_picture_size);
    EXPECT_EQ(image.Width(), 27);
    EXPECT_EQ(image.Height(), 17);
    EXPECT_TRUE(image.FileName().empty());
}

TEST_F(Kit, ShowModalDisablesTheOthersUntilItCloses) {
    TestForm owner;
    TestForm dialog;
    ShowWindow(owner.Handle(), SW_SHOWNA);
    std::vector<std::string> log;
    Probe ok(dialog, log, "ok", {0, 0, 50, 50});
    ok.OnClick = [&] {
        log.push_back(IsWindowEnabled(owner.Handle()) ? "owner enabled" : "owner disabled");
        dialog.Close();
    };
    PostMessageW(dialog.Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    PostMessageW(dialog.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    dialog.ShowModal();
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_EQ(log, (std::vector<std::string>{"ok down L 5,5", "owner disabled", "ok up L"}));
}

TEST_F(Kit, ListSelectionOutsideTheEntriesSelectsNothing) {
    TestForm form;
    winui::ListBox list(form);
    for (const wchar_t* item : {L"zeta", L"alpha", L"\u5176\u5b83"}) {
        list.Add(item);
    }
    EXPECT_EQ(list.Item(0), L"zeta");  // never sorted
    for (const auto& [index, selected] : {std::pair{1, 1}, {3, -1}, {2, 2}, {-5, -1}}) {
        list.SetItemIndex(index);
        EXPECT_EQ(list.ItemIndex(), selected) << index;
    }
}

// Reads the buttons of the real box on screen and presses one of them.
struct OpenBox {
    int press = IDOK;
    std::wstring labels;
} openBox;

void CALLBACK AnswerTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowW(L"#32770", L"kit box");
    if (box == nullptr) {
        return;
    }
    KillTimer(nullptr, timer);
    for (int id : {IDOK, IDYES, IDNO}) {
        wchar_t text[32] = {};
        if (GetDlgItem(box, id) != nullptr && GetDlgItemTextW(box, id, text, 32) > 0) {
            openBox.labels += std::wstring(text) + L";";
        }
    }
    openBox.labels.erase(std::remove(openBox.labels.begin(), openBox.labels.end(), L'&'),
                         openBox.labels.end());
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(openBox.press, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, openBox.press)));
}

TEST(SystemBoxes, EachKindHasItsButtonsAndAnswers) {
    struct Case {
        winui::BoxKind kind;
        int press;
        winui::BoxAnswer answer;
        const wchar_t* labels;
    };
    const Case cases[] = {
        {winui::BoxKind::Information, IDOK, winui::BoxAnswer::Ok, L"OK;"},
        {winui::BoxKind::Confirmation, IDNO, winui::BoxAnswer::No, L"Yes;No;"},
        {winui::BoxKind::Confirmation, IDYES, winui::BoxAnswer::Yes, L"Yes;No;"},
        {winui::BoxKind::ErrorAbort, IDOK, winui::BoxAnswer::Abort, L"Abort;"},
    };
    for (const Case& c : cases) {
        openBox = OpenBox{c.press, L""};
        SetTimer(nullptr, 0, 50, AnswerTheBox);
        EXPECT_EQ(winui::Boxes().Show(nullptr, c.kind, L"question", L"kit box"), c.answer);
        EXPECT_EQ(openBox.labels, c.labels);
    }
}

}  // namespace
