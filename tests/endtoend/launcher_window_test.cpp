// The launcher's windows end to end under wine, against the update sets that
// run_endtoend.py serves on loopback: the main menu, the update window, the
// server chooser and the update run, wired as the launcher's entry wires them,
// driven only by mouse messages posted to the windows. A thread timer plays
// the player: it waits for each window state and then clicks, so every click
// arrives inside the loop (modal showing or download wait) that would take it.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "endtoend_files.h"
#include "gzip/gzip_file.h"
#include "launcher/main_menu.h"
#include "launcher/server_chooser.h"
#include "launcher/settings_window.h"
#include "update/text_lines.h"
#include "update/update_run_win.h"
#include "update/update_window_win.h"
#include "winui/application.h"
#include "winui/locale.h"
#include "winui/message_pump.h"
#include "winui/recorded_boxes.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using endtoend::Env;
using endtoend::ReadFile;
using endtoend::Tree;

// A path of the build machine as wine's drive Z: sees it.
fs::path OnDriveZ(const char* unixPath) {
    std::wstring path = L"Z:" + fs::path(unixPath).wstring();
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::vector<std::wstring> Items(const winui::ListBox& list) {
    std::vector<std::wstring> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
    return items;
}

// A left click at a control's centre, posted so that whichever loop is
// running at the time takes it, as it would take the player's.
void PostClick(const winui::Form& form, const winui::GraphicControl& control) {
    const LPARAM at =
        MAKELPARAM(control.Left() + control.Width() / 2, control.Top() + control.Height() / 2);
    PostMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(form.Handle(), WM_LBUTTONUP, 0, at);
}

// Steps that each wait for a condition and then act, checked on every tick of
// a thread timer and whenever a watched list box gets an item (a timer tick
// comes only when the queue is empty, which a fast transfer may never leave
// it; the list box moves with the run). Actions only post. Past the watchdog the test fails and a
// WM_QUIT ends every loop, so a run that hangs cannot hang the test.
class Player {
public:
    struct Step {
        const char* what;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    explicit Player(std::vector<Step> steps) : steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 20, &Player::Tick);
    }
    ~Player() {
        if (watched_ != nullptr) {
            SetWindowLongPtrW(watched_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        }
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void Watch(const winui::ListBox& list) {
        watched_ = list.Handle();
        original_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            watched_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Player::ListBoxProc)));
    }

    bool Done() const { return next_ == steps_.size(); }
    bool TimedOut() const { return timedOut_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_ != nullptr) current_->Turn();
    }
    static LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        const LRESULT result = CallWindowProcW(current_->original_, hwnd, msg, wp, lp);
        if (msg == LB_ADDSTRING) current_->Turn();
        return result;
    }
    void Turn() {
        if (timedOut_) return;
        if (Clock::now() > deadline_) {
            timedOut_ = true;
            ADD_FAILURE() << "watchdog: still waiting for "
                          << (Done() ? "the end" : steps_[next_].what);
            PostQuitMessage(0);
            return;
        }
        if (!Done() && steps_[next_].ready()) {
            ++next_;  // first, so that an action that nests a loop does not repeat
            steps_[next_ - 1].act();
        }
    }

    static inline Player* current_ = nullptr;
    std::vector<Step> steps_;
    size_t next_ = 0;
    bool timedOut_ = false;
    UINT_PTR timer_ = 0;
    HWND watched_ = nullptr;
    WNDPROC original_ = nullptr;
    Clock::time_point deadline_ = Clock::now() + std::chrono::seconds(120);
};

// The launcher's windows and run, created and wired as its entry does.
struct Launcher {
    explicit Launcher(const fs::path& programDir) {
        winui::Application& app = winui::Application::Instance();
        mainMenu = std::make_unique<launcher::TForm1>();
        app.SetMainForm(mainMenu.get());
        mainMenu->Create();
        settings = std::make_unique<launcher::TForm5>();
        settings->Create();
        update::UpdateFormOptions options;
        options.ProgramDir = programDir;
        updateWindow = std::make_unique<update::TUpdateForm>(options);
        updateWindow->Create();
        chooser = std::make_unique<launcher::TISPForm>(*updateWindow, updateWindow->ProgramDir());
        chooser->Create();
        mainMenu->Form5 = settings.get();
        mainMenu->ShowUpdateWindow = [this] { updateWindow->ShowModal(); };
        update::RunSettings runSettings;
        runSettings.ProgramDir = updateWindow->ProgramDir();
        runSettings.Language = updateWindow->Language();
        run = std::make_unique<update::UpdateRun>(*updateWindow, *chooser, gzip1, runSettings);
        updateWindow->OnRun = [this] { run->Run(); };
        updateWindow->OnUpdateClick = [this] { run->DownloadPhase(); };
        updateWindow->OnStartClick = [this] { run->StartGame(); };
        updateWindow->OnExitClick = [this] { run->Exit(); };
        updateWindow->OnFormClose = [this] { run->Close(); };
        updateWindow->OnEndProgram = [this](int code) { endCodes.push_back(code); };
        mainMenu->Show();
    }
    ~Launcher() {
        run.reset();  // before the window it talks to
        winui::Application::Instance().SetMainForm(nullptr);
    }

    gzip::TGzipFile gzip1;
    std::unique_ptr<launcher::TForm1> mainMenu;
    std::unique_ptr<launcher::TForm5> settings;
    std::unique_ptr<update::TUpdateForm> updateWindow;
    std::unique_ptr<launcher::TISPForm> chooser;
    std::unique_ptr<update::UpdateRun> run;
    std::vector<int> endCodes;
};

const std::vector<std::wstring> kToDo = {L"readme.txt",
                                         L"empty.dat",
                                         L"bin\\engine.dat",
                                         L"data\\maps\\level1.map",
                                         L"docs\\manual\\guide.txt",
                                         L"sound.pak"};

class LauncherWindow : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = Env("E2E_PORT");
        if (port_.empty()) GTEST_SKIP() << "no update server (run through run_endtoend.py)";
        home_ = fs::current_path();
        program_ = fs::path(Env("E2E_WORK")) /
                   ("window_" +
                    std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(program_);
        fs::create_directories(program_);
        // The game folder as installed: the pictures, the stand-in game client
        // and the server list, which the chooser reads from the current folder.
        const fs::path source = OnDriveZ(SELVANE_SOURCE_DIR);
        fs::copy(source / "launcher" / "mainpic", program_ / "mainpic");
        fs::copy(source / "update" / "upimg", program_ / "upimg");
        fs::copy_file(OnDriveZ(SELVANE_RECORD_ARGS_EXE), program_ / "ostrel.exe");
        update::SaveLines(program_ / "isp0.dat", {"v1 127.0.0.1 " + port_ + " 5000 v1 pw", "end"});
        fs::current_path(program_);
        winui::SetLocale(0x409);
    }

    void TearDown() override {
        if (port_.empty()) return;
        winui::Application::Instance().SetOnException(nullptr);
        winui::ProcessMessages();
        winui::ResetTerminated();
        fs::current_path(home_);
    }

    // Presses the main menu's update button and pumps until the update
    // window has closed again and every step was taken (or the watchdog ended it).
    void PlayUpdate(Launcher& launcher, Player& player) {
        PostClick(*launcher.mainMenu, launcher.mainMenu->Image4);
        while (!winui::Terminated() && !(player.Done() && !launcher.updateWindow->Visible() &&
                                         !launcher.endCodes.empty())) {
            winui::WaitForMessage(100);
            winui::ProcessMessages();
        }
    }

    // The release's files, byte for byte, and nothing else but the game
    // folder's own files: no download, pack or temporary file left behind.
    void ExpectRelease() const {
        auto installed = Tree(program_);
        for (const char* own : {"isp0.dat", "isp1.dat", "update2.dat", "update3.dat", "ostrel.exe",
                                "browser_args.txt"}) {
            installed.erase(own);
        }
        std::erase_if(installed, [](const auto& file) {
            return file.first.starts_with("mainpic/") || file.first.starts_with("upimg/");
        });
        const auto release = Tree(fs::path(Env("E2E_GAME_V1")));
        ASSERT_FALSE(release.empty());
        for (const auto& [name, bytes] : release) {
            const auto it = installed.find(name);
            if (it == installed.end()) {
                ADD_FAILURE() << name << " is missing";
            } else {
                EXPECT_TRUE(it->second == bytes) << name << " differs";
            }
        }
        for (const auto& [name, bytes] : installed) {
            EXPECT_TRUE(release.count(name)) << "unexpected file " << name;
        }
    }

    std::string port_;
    fs::path home_;
    fs::path program_;
    winui::RecordedBoxes boxes_;
};

TEST_F(LauncherWindow, UpdateButtonChooserDownloadAndStartOfTheGame) {
    Launcher launcher(program_);
    auto& window = *launcher.updateWindow;
    std::vector<std::wstring> toDo;
    bool startVisibleBeforeDownload = true;
    Player player({
        {"the chooser", [&] { return launcher.chooser->Visible(); },
         [&] { PostClick(*launcher.chooser, launcher.chooser->Image1); }},
        {"the to-do list",
         [&] { return !launcher.chooser->Visible() && launcher.run->DownloadReady(); },
         [&] {
             toDo = Items(window.ListBox1);
             startVisibleBeforeDownload = window.Image3.Visible();
             PostClick(window, window.Image2);
         }},
        {"the start button", [&] { return window.Image3.Visible(); },
         [&] { PostClick(window, window.Image3); }},
    });
    PlayUpdate(launcher, player);
    ASSERT_FALSE(player.TimedOut());

    EXPECT_EQ(ReadFile(program_ / "isp1.dat"), "0\r\n");
    EXPECT_EQ(toDo, kToDo);
    EXPECT_FALSE(startVisibleBeforeDownload);
    EXPECT_EQ(Items(window.ListBox2), kToDo);
    EXPECT_EQ(window.ListBox1.Count(), 0);
    ExpectRelease();
    EXPECT_EQ(launcher.endCodes, std::vector<int>{0});
    EXPECT_TRUE(boxes_.Shown.empty());

    // The game client, started with no argument at all.
    const fs::path recorded = program_ / "browser_args.txt";
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!fs::exists(recorded) && Clock::now() < deadline) winui::WaitForMessage(50);
    ASSERT_TRUE(fs::exists(recorded));
    EXPECT_EQ(ReadFile(recorded), "");
}

TEST_F(LauncherWindow, ExitPressedDuringTheDownloadKeepsOnlyTheFinishedEntries) {
    Launcher launcher(program_);
    auto& window = *launcher.updateWindow;
    std::string savedList;
    launcher.updateWindow->OnEndProgram = [&](int code) {
        launcher.endCodes.push_back(code);
        // Taken away, so that a second save would show.
        savedList = ReadFile(program_ / "update2.dat");
        fs::remove(program_ / "update2.dat");
    };
    Player player({
        {"the chooser", [&] { return launcher.chooser->Visible(); },
         [&] { PostClick(*launcher.chooser, launcher.chooser->Image1); }},
        {"the to-do list",
         [&] { return !launcher.chooser->Visible() && launcher.run->DownloadReady(); },
         [&] { PostClick(window, window.Image2); }},
        // Two entries done: bin\engine.dat is arriving.
        {"the third entry", [&] { return window.ListBox2.Count() == 2; },
         [&] {
             boxes_.Answers = {winui::BoxAnswer::Yes};
             PostClick(window, window.Image4);
         }},
    });
    player.Watch(window.ListBox2);
    PlayUpdate(launcher, player);
    ASSERT_FALSE(player.TimedOut());

    ASSERT_EQ(boxes_.Shown.size(), 1u);
    EXPECT_EQ(boxes_.Shown[0].Kind, winui::BoxKind::Confirmation);
    EXPECT_EQ(boxes_.Shown[0].Owner, window.Handle());
    EXPECT_EQ(launcher.endCodes, std::vector<int>{0});
    EXPECT_EQ(Items(window.ListBox2), (std::vector<std::wstring>{L"readme.txt", L"empty.dat"}));
    EXPECT_EQ(savedList, "AVWSEN\r\n\r\nreadme.txt 0001\r\nempty.dat 0001\r\n");
    EXPECT_FALSE(window.Image3.Visible());
    EXPECT_FALSE(fs::exists(program_ / "bin" / "engine.dat"));
    // Closing again saves nothing more.
    window.FormClose();
    EXPECT_FALSE(fs::exists(program_ / "update2.dat"));
}

// The run speaks the window's language, found from the locale, through the
// code page of that language, in the window and in its boxes.
TEST_F(LauncherWindow, TheRunSpeaksTheLanguageOfTheLocale) {
    struct Case {
        LCID locale;
        const wchar_t* remaining;
        const wchar_t* exitQuestion;
    };
    const Case cases[] = {
        {0x404,
         L"\x9084\x6709"
         L"6\x500b\x6a94\x6848\x9700\x8981\x66f4\x65b0",
         L"\x4f60\x78ba\x5b9a\x8981\x96e2\x958b\x55ce?"},
        {0x804,
         L"\x8fd8\x6709"
         L"6\x4e2a\x6863\x6848\x9700\x8981\x66f4\x65b0",
         L"\x4f60\x786e\x5b9a\x8981\x79bb\x5f00\x5417?"},
        {0x409, L"6files remain to be updated", L"Are you sure to exit ?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.locale);
        winui::SetLocale(c.locale);
        boxes_.Shown.clear();
        Launcher launcher(program_);
        auto& window = *launcher.updateWindow;
        std::wstring status;
        Player player({
            {"the chooser", [&] { return launcher.chooser->Visible(); },
             [&] { PostClick(*launcher.chooser, launcher.chooser->Image1); }},
            {"the to-do list",
             [&] { return !launcher.chooser->Visible() && launcher.run->DownloadReady(); },
             [&] {
                 status = window.Label3.Caption();
                 boxes_.Answers = {winui::BoxAnswer::Yes};
                 PostClick(window, window.Image4);
             }},
        });
        PlayUpdate(launcher, player);
        ASSERT_FALSE(player.TimedOut());
        EXPECT_EQ(status, c.remaining);
        ASSERT_EQ(boxes_.Shown.size(), 1u);
        EXPECT_EQ(boxes_.Shown[0].Text, c.exitQuestion);
        EXPECT_EQ(launcher.endCodes, std::vector<int>{0});
    }
}

}  // namespace
