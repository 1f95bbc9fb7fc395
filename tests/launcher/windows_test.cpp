// The launcher's windows under wine on a 1024 x 768 display at 16 bits per pixel.

#include <gtest/gtest.h>

#include <cstring>

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

std::wstring Name(const winui::Image& image) { return image.FileName().wstring(); }

bool At(const winui::Image& image, RECT expected) {
    return EqualRect(&image.Bounds(), &expected) != FALSE;
}

TEST_F(MainMenu, PictureSetFollowsTheLocale) {
    const std::pair<LCID, std::wstring> cases[] = {
        {0x404, L"c"}, {0x804, L"s"}, {0xC04, L"s"}, {0x409, L"s"}, {0, L"s"},
    };
    for (const auto& [locale, set] : cases) {
        winui::SetLocale(locale);
        EXPECT_EQ(winui::Locale().Locale, locale == 0 ? 0x409u : locale);  // zero counts as English
        TForm1 menu;
        menu.Create();
        EXPECT_EQ(Name(menu.Image1), L"mainpic\\0" + set + L".jpg") << std::hex << locale;
        EXPECT_EQ(Name(menu.Image6), L"mainpic\\5-1" + set + L".jpg");
        Press(menu, menu.Image3, WM_RBUTTONDOWN);
        EXPECT_EQ(Name(menu.Image3), L"mainpic\\2-2" + set + L".jpg");
        TForm5 settings;
        settings.Create();
        EXPECT_EQ(Name(settings.Image1), L"mainpic\\0" + set + L"1.jpg");
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
    EXPECT_TRUE(At(menu.Image1, {0, 0, 289, 480}));
    const winui::Image* buttons[] = {&menu.Image2, &menu.Image3, &menu.Image4, &menu.Image5,
                                     &menu.Image6};
    const int tops[] = {107, 174, 240, 307, 374};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(At(*buttons[i], {67, tops[i], 67 + 158, tops[i] + 54})) << i;
    }

    TForm5 settings;
    settings.Create();
    EXPECT_EQ(settings.Left(), 322);
    EXPECT_EQ(settings.Top(), 199);
    EXPECT_EQ(settings.Width(), 370);
    EXPECT_EQ(settings.Height(), 270);
    EXPECT_TRUE(At(settings.Image1, {1, 1, 361, 241}));
    EXPECT_TRUE(At(settings.Image2, {57, 37, 105, 62}));
    EXPECT_TRUE(At(settings.Image3, {57, 88, 105, 113}));
    EXPECT_TRUE(At(settings.Image4, {130, 207, 230, 236}));
    EXPECT_TRUE(At(settings.Image5, {67, 40, 94, 57}));
    EXPECT_EQ(Name(settings.Image3), L"mainpic\\1.jpg");
    EXPECT_EQ(Name(settings.Image5), L"mainpic\\6.jpg");
}

TEST_F(MainMenu, ButtonsSwapPicturesAndActOnlyOnALeftClick) {
    TForm1 menu;
    menu.Create();
    TForm5 settings;
    settings.Create();
    menu.Form5 = &settings;
    winui::Application::Instance().SetMainForm(&menu);
    std::wstring duringUpdate;
    menu.ShowUpdateWindow = [&] { duringUpdate = Name(menu.Image4); };

    // Right button: pressed picture, rest picture, no action.
    winui::Image* buttons[] = {&menu.Image2, &menu.Image3, &menu.Image4, &menu.Image5};
    for (int i = 0; i < 4; ++i) {
        const std::wstring number = std::to_wstring(i + 1);
        Press(menu, *buttons[i], WM_RBUTTONDOWN);
        EXPECT_EQ(Name(*buttons[i]), L"mainpic\\" + number + L"-2s.jpg");
        Press(menu, *buttons[i], WM_RBUTTONUP);
        EXPECT_EQ(Name(*buttons[i]), L"mainpic\\" + number + L"-1s.jpg");
    }
    // The exit button has no release step: pressed it stays, and nothing ends.
    ClickOn(menu, menu.Image6, false);
    ClickOn(menu, menu.Image6, true, true);
    EXPECT_EQ(Name(menu.Image6), L"mainpic\\5-2s.jpg");
    winui::ProcessMessages();
    EXPECT_FALSE(winui::Terminated());
    EXPECT_TRUE(duringUpdate.empty());
    EXPECT_FALSE(settings.Visible());

    // Left clicks act before the button returns to rest: the modal update
    // window sees its button pressed.
    ClickOn(menu, menu.Image4);
    EXPECT_EQ(duringUpdate, L"mainpic\\3-2s.jpg");
    EXPECT_EQ(Name(menu.Image4), L"mainpic\\3-1s.jpg");
    ClickOn(menu, menu.Image5);
    EXPECT_TRUE(settings.Visible());
    ClickOn(menu, menu.Image6);
    EXPECT_EQ(Name(menu.Image6), L"mainpic\\5-2s.jpg");
    winui::ProcessMessages();
    EXPECT_TRUE(winui::Terminated());
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(MainMenu, AMissingPictureStopsCreationSilently) {
    fs::remove(dir_ / "mainpic" / "3-1s.jpg");
    TForm1 menu;
    menu.Create();
    EXPECT_FALSE(menu.Image3.Empty());
    EXPECT_TRUE(menu.Image4.Empty());
    EXPECT_TRUE(menu.Image6.Empty());
    // The stored place and client size stay.
    EXPECT_EQ(menu.Left(), 277);
    EXPECT_EQ(menu.Top(), 272);
    EXPECT_EQ(menu.ClientWidth(), 289);
    EXPECT_EQ(menu.ClientHeight(), 525);
    // A press whose picture is gone leaves the previous one.
    fs::remove(dir_ / "mainpic" / "1-2s.jpg");
    Press(menu, menu.Image2, WM_RBUTTONDOWN);
    EXPECT_EQ(Name(menu.Image2), L"mainpic\\1-1s.jpg");
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(SettingsWindow, ReadsTheFileOnceAndWritesTheChoiceAndTheScriptOnConfirming) {
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
        PutSettings(c.windowed ? "FullScreen\r\nx\r\nmore\r\n" : "WindowScreen\r\nx\r\nmore\r\n");
        TForm5 settings;
        settings.Create();
        EXPECT_EQ(settings.Image5.Top(), c.windowed ? 40 : 90);  // the file's first line
        ShowWindow(settings.Handle(), SW_SHOWNA);
        ClickOn(settings, c.windowed ? settings.Image3 : settings.Image2);
        ClickOn(settings, settings.Image4);
        EXPECT_EQ(Settings(), c.expected);
        EXPECT_FALSE(settings.Visible());
    }
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(SettingsWindow, TheCloseBoxAndAFailedWriteKeepTheFileAsItWas) {
    winui::Application::Instance().SetOnException(&TForm1::HandleExcepts);
    PutSettings("FullScreen\r\nSimplified\r\n");
    TForm5 settings;
    settings.Create();
    ShowWindow(settings.Handle(), SW_SHOWNA);
    ClickOn(settings, settings.Image3);
    SendMessageW(settings.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(settings.Visible());
    EXPECT_EQ(Settings(), "FullScreen\r\nSimplified\r\n");
    EXPECT_EQ(settings.Image5.Top(), 90);  // the next showing presents the moved marker

    // Nothing can replace a folder: the write fails, silently, and the window stays.
    fs::remove(dir_ / "sinfo.txt");
    fs::create_directory(dir_ / "sinfo.txt");
    ShowWindow(settings.Handle(), SW_SHOWNA);
    ClickOn(settings, settings.Image2);
    ClickOn(settings, settings.Image4);
    EXPECT_TRUE(settings.Visible());
    EXPECT_TRUE(fs::is_directory(dir_ / "sinfo.txt"));
    EXPECT_TRUE(boxes.Shown.empty());
}

// Sets the registered open command for HTML files; the old one comes back after.
class HtmlCommand {
public:
    HtmlCommand() {
        RegCreateKeyExW(HKEY_CLASSES_ROOT, L"htmlfile\\shell\\open\\command", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        wchar_t value[1024] = {};
        DWORD bytes = sizeof value - sizeof(wchar_t);
        RegQueryValueExW(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes);
        saved_ = value;
    }
    ~HtmlCommand() {
        Set(saved_);
        RegCloseKey(key_);
    }
    void Set(const std::wstring& command) {
        RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }

private:
    HKEY key_ = nullptr;
    std::wstring saved_;
};

TEST_F(WebPage, TheRegisteredBrowserGetsThePageAsItsOnlyArgument) {
    // The stand-in browser writes its arguments, one a line, beside itself.
    const std::wstring browser = (winui::ProgramDir() / L"record_args.exe").wstring();
    const fs::path record = winui::ProgramDir() / L"browser_args.txt";
    auto arguments = [&record] {
        for (int i = 0; i < 300 && !fs::exists(record); ++i) {
            Sleep(50);
        }
        std::string bytes;
        {
            std::ifstream in(record, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
        std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
        fs::remove(record);
        return text;
    };
    HtmlCommand command;
    command.Set(L"\"" + browser + L"\" -nohome \"%1\"");
    fs::remove(record);
    for (const std::wstring page :
         {L"C:\\Game\\index.htm", L"C:\\Program Files\\Game\\index.htm", launcher::kHomePage}) {
        EXPECT_TRUE(launcher::OpenWebPage(page));
        EXPECT_EQ(arguments(), page + L"\n");
    }
    // The local page button opens index.htm beside the running program.
    TForm1 menu;
    menu.Create();
    ClickOn(menu, menu.Image2);
    EXPECT_EQ(arguments(), (winui::ProgramDir() / L"index.htm").wstring() + L"\n");

    command.Set(L"");
    EXPECT_FALSE(launcher::OpenWebPage(L"C:\\Game\\index.htm"));
    EXPECT_TRUE(boxes.Shown.empty());
}

}  // namespace
