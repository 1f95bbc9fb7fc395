// The launcher's windows under wine on a 1024 x 768 display at 16 bits per pixel.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "launcher/launcher_shell.h"
#include "launcher/main_menu.h"
#include "launcher/settings_window.h"
#include "tests/launcher/launcher_fixture.h"
#include "winui/text.h"

namespace {

using launcher::TForm1;
using launcher::TForm5;
using namespace launcher_test;

using MainMenu = GameFolder;
using SettingsWindow = GameFolder;
using WebPage = GameFolder;

std::wstring Name(const winui::Image& image) {
    return image.FileName().wstring();
}

TEST_F(MainMenu, PictureSetFollowsTheLocale) {
    struct Case {
        LCID locale;
        std::wstring set;
    };
    const Case cases[] = {
        {0x404, L"c"}, {0x804, L"s"}, {0xC04, L"s"}, {0x1404, L"s"}, {0x409, L"s"}, {0, L"s"},
    };
    for (const Case& c : cases) {
        winui::SetLocale(c.locale);
        EXPECT_EQ(launcher::IsTraditionalChinese(), c.set == L"c") << std::hex << c.locale;
        TForm1 menu;
        menu.Create();
        EXPECT_EQ(Name(menu.Image1), L"mainpic\\0" + c.set + L".jpg");
        const winui::Image* buttons[] = {&menu.Image2, &menu.Image3, &menu.Image4, &menu.Image5,
                                         &menu.Image6};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(Name(*buttons[i]), L"mainpic\\" + std::to_wstring(i + 1) + L"-1" + c.set +
                                             L".jpg");
        }
        Press(menu, menu.Image3, WM_RBUTTONDOWN);
        EXPECT_EQ(Name(menu.Image3), L"mainpic\\2-2" + c.set + L".jpg");

        TForm5 settings;
        settings.Create();
        EXPECT_EQ(Name(settings.Image1), L"mainpic\\0" + c.set + L"1.jpg");
        EXPECT_EQ(Name(settings.Image2), L"mainpic\\1.jpg");
        EXPECT_EQ(Name(settings.Image4), L"mainpic\\2.jpg");
        EXPECT_EQ(Name(settings.Image5), L"mainpic\\6.jpg");
    }
}

TEST_F(MainMenu, GeometryOnA1024By768Screen) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    TForm1 menu;
    menu.Create();
    EXPECT_EQ(menu.Left(), 365);
    EXPECT_EQ(menu.Top(), 154);
    EXPECT_EQ(menu.Width(), 290);
    EXPECT_EQ(menu.Height(), 503);
    const RECT background{0, 0, 289, 480};
    EXPECT_TRUE(EqualRect(&menu.Image1.Bounds(), &background));
    const winui::Image* buttons[] = {&menu.Image2, &menu.Image3, &menu.Image4, &menu.Image5,
                                     &menu.Image6};
    const int tops[] = {107, 174, 240, 307, 374};
    for (int i = 0; i < 5; ++i) {
        const RECT expected{67, tops[i], 67 + 158, tops[i] + 54};
        EXPECT_TRUE(EqualRect(&buttons[i]->Bounds(), &expected)) << i;
    }

    TForm5 settings;
    settings.Create();
    EXPECT_EQ(settings.Left(), 322);
    EXPECT_EQ(settings.Top(), 199);
    EXPECT_EQ(settings.Width(), 370);
    EXPECT_EQ(settings.Height(), 270);
    struct Place {
        const winui::Image& image;
        RECT bounds;
    };
    const Place places[] = {
        {settings.Image1, {1, 1, 361, 241}},    {settings.Image2, {57, 37, 105, 62}},
        {settings.Image3, {57, 88, 105, 113}},  {settings.Image4, {130, 207, 230, 236}},
        {settings.Image5, {67, 40, 94, 57}},
    };
    for (const Place& p : places) {
        EXPECT_TRUE(EqualRect(&p.image.Bounds(), &p.bounds)) << Name(p.image);
    }
}

TEST_F(MainMenu, RightButtonSwapsPicturesWithoutActing) {
    TForm1 menu;
    menu.Create();
    TForm5 settings;
    settings.Create();
    menu.Form5 = &settings;
    int updates = 0;
    menu.ShowUpdateWindow = [&updates] { ++updates; };
    winui::Application::Instance().SetMainForm(&menu);

    winui::Image* buttons[] = {&menu.Image2, &menu.Image3, &menu.Image4, &menu.Image5};
    for (int i = 0; i < 4; ++i) {
        const std::wstring number = std::to_wstring(i + 1);
        Press(menu, *buttons[i], WM_RBUTTONDOWN);
        EXPECT_EQ(Name(*buttons[i]), L"mainpic\\" + number + L"-2s.jpg");
        const POINT p = CentreOf(*buttons[i]);
        SendMessageW(menu.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
        EXPECT_EQ(Name(*buttons[i]), L"mainpic\\" + number + L"-1s.jpg");
    }
    // The exit button has no release step: pressed it stays, and nothing ends.
    ClickOn(menu, menu.Image6, false);
    EXPECT_EQ(Name(menu.Image6), L"mainpic\\5-2s.jpg");
    ClickOn(menu, menu.Image6, true, true);
    EXPECT_EQ(Name(menu.Image6), L"mainpic\\5-2s.jpg");
    winui::ProcessMessages();
    EXPECT_FALSE(winui::Terminated());
    EXPECT_EQ(updates, 0);
    EXPECT_FALSE(settings.Visible());
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(MainMenu, ClicksActBeforeTheButtonReturnsToRest) {
    TForm1 menu;
    menu.Create();
    TForm5 settings;
    settings.Create();
    menu.Form5 = &settings;
    winui::Application::Instance().SetMainForm(&menu);

    // The update window is modal: its button looks pressed for as long as it is open.
    std::wstring duringUpdate;
    menu.ShowUpdateWindow = [&] { duringUpdate = Name(menu.Image4); };
    ClickOn(menu, menu.Image4);
    EXPECT_EQ(duringUpdate, L"mainpic\\3-2s.jpg");
    EXPECT_EQ(Name(menu.Image4), L"mainpic\\3-1s.jpg");

    ClickOn(menu, menu.Image5);
    EXPECT_TRUE(settings.Visible());
    EXPECT_EQ(Name(menu.Image5), L"mainpic\\4-1s.jpg");

    ClickOn(menu, menu.Image6);
    EXPECT_EQ(Name(menu.Image6), L"mainpic\\5-2s.jpg");
    winui::ProcessMessages();
    EXPECT_TRUE(winui::Terminated());
}

TEST_F(MainMenu, AMissingPictureStopsCreationSilently) {
    fs::remove(dir_ / "mainpic" / "3-1s.jpg");
    TForm1 menu;
    menu.Create();
    EXPECT_FALSE(menu.Image1.Empty());
    EXPECT_FALSE(menu.Image2.Empty());
    EXPECT_FALSE(menu.Image3.Empty());
    EXPECT_TRUE(menu.Image4.Empty());
    EXPECT_TRUE(menu.Image5.Empty());
    EXPECT_TRUE(menu.Image6.Empty());
    // The stored place and client size stay.
    EXPECT_EQ(menu.Left(), 277);
    EXPECT_EQ(menu.Top(), 272);
    EXPECT_EQ(menu.ClientWidth(), 289);
    EXPECT_EQ(menu.ClientHeight(), 525);
    EXPECT_NE(menu.Image2.Top(), 107);
    EXPECT_TRUE(boxes.Shown.empty());

    // A press on the button whose pictures are gone changes nothing and says nothing.
    fs::remove(dir_ / "mainpic" / "1-2s.jpg");
    Press(menu, menu.Image2, WM_RBUTTONDOWN);
    EXPECT_EQ(Name(menu.Image2), L"mainpic\\1-1s.jpg");
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(SettingsWindow, MarkerFollowsTheFirstLineOfTheSettingsFile) {
    struct Case {
        const char* content;  // nullptr: no file
        int markerTop;
    };
    const Case cases[] = {
        {nullptr, 40},
        {"WindowScreen\r\nSimplified\r\n", 90},
        {"windowscreen\r\nSimplified\r\n", 40},
        {"WindowScreen \r\nSimplified\r\n", 40},
        {"FullScreen\r\nComplexities\r\n", 40},
        {"", 40},
    };
    for (const Case& c : cases) {
        fs::remove(dir_ / "sinfo.txt");
        if (c.content != nullptr) {
            PutSettings(c.content);
        }
        TForm5 settings;
        settings.Create();
        EXPECT_EQ(settings.Image5.Top(), c.markerTop) << (c.content ? c.content : "(none)");
        EXPECT_EQ(settings.Image5.Left(), 67);
    }
}

TEST_F(SettingsWindow, ConfirmingWritesTheChoiceAndTheScriptThenHides) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, BITSPIXEL), 16);
    ReleaseDC(nullptr, screen);
    struct Case {
        LCID locale;
        bool windowed;
        const char* expected;
    };
    const Case cases[] = {
        {0x409, true, "WindowScreen\r\nSimplified\r\n"},
        {0x404, false, "FullScreen\r\nComplexities\r\n"},
        {0x404, true, "WindowScreen\r\nComplexities\r\n"},
        {0x804, false, "FullScreen\r\nSimplified\r\n"},
    };
    for (const Case& c : cases) {
        winui::SetLocale(c.locale);
        PutSettings(c.windowed ? "FullScreen\r\nx\r\n" : "WindowScreen\r\nx\r\n");
        TForm5 settings;
        settings.Create();
        ShowWindow(settings.Handle(), SW_SHOWNA);
        ClickOn(settings, c.windowed ? settings.Image3 : settings.Image2);
        EXPECT_EQ(settings.Image5.Top(), c.windowed ? 90 : 40);
        ClickOn(settings, settings.Image4);
        EXPECT_EQ(Settings(), c.expected);
        EXPECT_FALSE(settings.Visible());
    }
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(SettingsWindow, TheCloseBoxHidesAndWritesNothing) {
    PutSettings("FullScreen\r\nSimplified\r\n");
    TForm5 settings;
    settings.Create();
    settings.Show();
    ClickOn(settings, settings.Image3);
    SendMessageW(settings.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(settings.Visible());
    EXPECT_TRUE(IsWindow(settings.Handle()));
    EXPECT_EQ(Settings(), "FullScreen\r\nSimplified\r\n");
    EXPECT_EQ(settings.Image5.Top(), 90);  // the next showing presents the moved marker

    // Clicks on the marker or the background do nothing.
    ClickOn(settings, settings.Image5);
    EXPECT_EQ(settings.Image5.Top(), 90);
}

TEST_F(SettingsWindow, AFailedWriteKeepsTheWindowOpenWithoutAWord) {
    winui::Application::Instance().SetOnException(&TForm1::HandleExcepts);
    fs::create_directory(dir_ / "sinfo.txt");  // nothing can replace a folder
    TForm5 settings;
    settings.Create();
    ShowWindow(settings.Handle(), SW_SHOWNA);
    ClickOn(settings, settings.Image4);
    EXPECT_TRUE(settings.Visible());
    EXPECT_TRUE(fs::is_directory(dir_ / "sinfo.txt"));
    EXPECT_TRUE(boxes.Shown.empty());
}

// The registered open command for HTML files, saved and restored around a test.
class HtmlCommand {
public:
    HtmlCommand() {
        RegCreateKeyExW(HKEY_CLASSES_ROOT, L"htmlfile\\shell\\open\\command", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        wchar_t value[1024] = {};
        DWORD bytes = sizeof value - sizeof(wchar_t);
        DWORD type = 0;
        had_ = RegQueryValueExW(key_, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                                &bytes) == ERROR_SUCCESS;
        saved_ = value;
    }
    ~HtmlCommand() {
        if (had_) {
            Set(saved_);
        } else {
            RegDeleteValueW(key_, nullptr);
        }
        RegCloseKey(key_);
    }
    void Set(const std::wstring& command) {
        RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }

private:
    HKEY key_ = nullptr;
    bool had_ = false;
    std::wstring saved_;
};

// Waits for the stand-in browser's record of its arguments.
std::wstring BrowserArguments(const fs::path& record) {
    for (int i = 0; i < 300 && !fs::exists(record); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::ifstream in(record, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text;
}

TEST_F(WebPage, TheRegisteredBrowserGetsThePageAsItsOnlyArgument) {
    const std::wstring browser = winui::ProgramDirectory() + L"record_args.exe";
    ASSERT_TRUE(fs::exists(browser));
    const fs::path record = winui::ProgramDirectory() + L"browser_args.txt";
    HtmlCommand command;
    command.Set(L"\"" + browser + L"\" -nohome \"%1\"");

    struct Case {
        std::wstring page;
    };
    const Case cases[] = {
        {L"C:\\Game\\index.htm"},
        {L"C:\\Program Files\\Game\\index.htm"},
        {launcher::kHomePage},
    };
    for (const Case& c : cases) {
        fs::remove(record);
        EXPECT_TRUE(launcher::OpenWebPage(c.page));
        EXPECT_EQ(BrowserArguments(record), c.page + L"\n");
    }

    // The local page button opens index.htm beside the running program.
    TForm1 menu;
    menu.Create();
    fs::remove(record);
    ClickOn(menu, menu.Image2);
    EXPECT_EQ(BrowserArguments(record), winui::ProgramDirectory() + L"index.htm\n");

    command.Set(L"");
    EXPECT_FALSE(launcher::OpenWebPage(L"C:\\Game\\index.htm"));
    EXPECT_TRUE(boxes.Shown.empty());
}

}  // namespace
