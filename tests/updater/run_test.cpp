// The updater's window and run together, under wine, against the loopback FTP
// server that run_updater_tests.py serves: the server rotation without boxes
// for refused servers, the update picture through the hidden Button1, the
// game client's argument, and the error box of the updater's error policy.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gzip/gzip_file.h"
#include "tests/update/temp_dir.h"
#include "tests/winui/jpeg_writer.h"
#include "update/text_lines.h"
#include "update/update_run_win.h"
#include "update/update_window_win.h"
#include "updater/server_chooser_win.h"
#include "updater/update_window_win.h"
#include "updater/updater_run_win.h"
#include "winui/application.h"
#include "winui/locale.h"
#include "winui/message_pump.h"
#include "winui/recorded_boxes.h"

namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The chooser as the player uses it: OK pressed as soon as it shows.
class ConfirmingChooser : public updater::TForm2 {
public:
    using TForm2::TForm2;

protected:
    void FormShow() override {
        TForm2::FormShow();
        PostMessageW(Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(150, 360));
    }
};

class UpdaterRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("UPD_PORT").empty()) {
            GTEST_SKIP() << "run through run_updater_tests.py";
        }
        for (const wchar_t* suffix : {L"c", L"s"}) {
            Picture(std::wstring(L"0") + suffix, 620, 440);
            for (const wchar_t* stem : {L"1-1", L"1-2", L"2-1", L"2-2", L"3-1", L"3-2"}) {
                Picture(stem + std::wstring(suffix), 8, 8);
            }
        }
        winui::SetLocale(0x409);
    }

    void TearDown() override {
        run_.reset();
        chooser_.reset();
        window_.reset();
        winui::Application::Instance().SetMainForm(nullptr);
        winui::ProcessMessages();
        winui::ResetTerminated();
    }

    void Picture(const std::wstring& stem, int width, int height) {
        testing_jpeg::WriteFile(dir_.Path / L"upimg" / (stem + L".jpg"),
                                testing_jpeg::Solid(width, height, 20, 60, 120));
    }

    // A server line whose password field the updater must ignore.
    static std::string Line(const std::string& name, const std::string& port,
                            const std::string& user) {
        return name + " 127.0.0.1 " + port + " 5000 " + user + " not-the-password\r\n";
    }
    void Servers(const std::string& lines) {
        testutil::WriteFile(dir_.Path / "isp0.dat", lines + "end\r\n");
    }

    // Creates the windows as selvane.exe does and performs the run that their
    // first showing starts; returns once the to-do list (or the end) is shown.
    void StartRun() {
        window_ = std::make_unique<updater::TForm1>(dir_.Path);
        winui::Application::Instance().SetMainForm(window_.get());
        window_->Create();
        updater::TForm1& window = *window_;
        chooser_ = std::make_unique<ConfirmingChooser>(
            window, [&window] { return window.Language(); }, window.ProgramDir());
        chooser_->Create();
        run_ = std::make_unique<updater::UpdaterRun>(window, *chooser_);
        window.OnEndProgram = [this](int code) { endedWith_ = code; };
        const auto download = window.OnUpdateClick;
        window.OnUpdateClick = [this, download] {
            ++downloadPhases_;
            download();
        };
        window.Show();
        winui::ProcessMessages();  // the first showing's resize runs the whole run
    }

    void Click(const winui::Image& picture, UINT down, bool post = false) {
        const POINT p{picture.Left() + picture.Width() / 2, picture.Top() + picture.Height() / 2};
        for (const UINT message : {down, down + 1}) {
            if (post) {
                PostMessageW(window_->Handle(), message, 0, MAKELPARAM(p.x, p.y));
            } else {
                SendMessageW(window_->Handle(), message, 0, MAKELPARAM(p.x, p.y));
            }
        }
    }

    std::vector<std::wstring> BoxTexts() const {
        std::vector<std::wstring> texts;
        for (const auto& box : boxes_.Shown) {
            texts.push_back(box.Text);
        }
        return texts;
    }

    testutil::TempDir dir_;
    winui::RecordedBoxes boxes_;
    std::unique_ptr<updater::TForm1> window_;
    std::unique_ptr<ConfirmingChooser> chooser_;
    std::unique_ptr<updater::UpdaterRun> run_;
    int downloadPhases_ = 0;
    int endedWith_ = -1;
};

TEST_F(UpdaterRun, RefusedServerShowsNoBoxAndTheNextOneServesWithTheFixedPassword) {
    Servers(Line("dead", Env("UPD_DEAD_PORT"), "fresh") + Line("live", Env("UPD_PORT"), "fresh"));
    StartRun();
    EXPECT_TRUE(boxes_.Shown.empty());
    EXPECT_EQ(window_->ListBox1.Count(), 3);
    EXPECT_TRUE(window_->Button1Enabled());
    EXPECT_EQ(testutil::ReadFile(dir_.Path / "isp1.dat"), "0\r\n");
}

TEST_F(UpdaterRun, RejectedLoginShowsTheDisconnectedBox) {
    Servers(Line("stranger", Env("UPD_PORT"), "nobody"));
    StartRun();
    // From the closing of the control connection after the rejected login (the
    // FTP client may report that close more than once), then at the end of the
    // rotation; nothing from the failed connection itself.
    const std::vector<std::wstring> texts = BoxTexts();
    EXPECT_GE(texts.size(), 2u);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), L"Disconnected"),
              static_cast<std::ptrdiff_t>(texts.size()));
    EXPECT_FALSE(window_->Button1Enabled());
}

TEST_F(UpdaterRun, UpdatePictureRunsTheDownloadPhaseOnceAndOnlyWithFilesToUpdate) {
    // Nothing to update: the picture only swaps its looks.
    Servers(Line("current", Env("UPD_PORT"), "current"));
    StartRun();
    EXPECT_TRUE(window_->Image3.Visible());
    Click(window_->Image2, WM_LBUTTONDOWN);
    EXPECT_EQ(downloadPhases_, 0);
    TearDown();

    // Two presses, the second while the first one's phase is still running:
    // both are queued before the first is handled. Any mouse button counts.
    Servers(Line("live", Env("UPD_PORT"), "fresh"));
    StartRun();
    ASSERT_EQ(window_->ListBox1.Count(), 3);
    Click(window_->Image2, WM_RBUTTONDOWN, true);
    Click(window_->Image2, WM_LBUTTONDOWN, true);
    winui::ProcessMessages();
    EXPECT_EQ(downloadPhases_, 1);
    EXPECT_EQ(window_->ListBox1.Count(), 0);
    EXPECT_EQ(window_->ListBox2.Count(), 3);
    EXPECT_TRUE(window_->Image3.Visible());
    EXPECT_EQ(testutil::ReadFile(dir_.Path / "notes.txt"), [] {
        std::string notes;
        for (int i = 0; i < 10; ++i) notes += "patch notes\r\n";
        return notes;
    }());
    EXPECT_TRUE(boxes_.Shown.empty());
}

TEST_F(UpdaterRun, GameClientGetsTheSingleArgumentOne) {
    std::string unixPath = SELVANE_RECORD_ARGS_EXE;  // the build tree, as wine's drive Z:
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    fs::copy_file(fs::path("Z:" + unixPath), dir_.Path / "ostrel.exe");
    Servers(Line("current", Env("UPD_PORT"), "current"));
    StartRun();
    ASSERT_TRUE(window_->Image3.Visible());
    Click(window_->Image3, WM_LBUTTONDOWN);
    const fs::path recorded = dir_.Path / "browser_args.txt";
    for (int i = 0; i < 200 && !fs::exists(recorded); ++i) {
        Sleep(50);  // another process writes it; nothing to wait on but the file
    }
    std::ifstream in(recorded, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, std::string("1\0\n\0", 4));  // UTF-16: "1" and a line end, nothing more
    EXPECT_EQ(endedWith_, 0);                     // closing while logged in ends the program
}

TEST_F(UpdaterRun, ErrorEndingTheRunShowsTheErrorBoxAndLeavesOnlyTheExitPicture) {
    Servers("broken 127.0.0.1 twenty-one 5000 fresh x\r\n");
    StartRun();
    ASSERT_EQ(boxes_.Shown.size(), 1u);
    EXPECT_EQ(boxes_.Shown[0].Kind, winui::BoxKind::Error);
    EXPECT_NE(boxes_.Shown[0].Text.find(L"twenty-one"), std::wstring::npos);

    Click(window_->Image2, WM_LBUTTONDOWN);
    EXPECT_EQ(downloadPhases_, 0);
    EXPECT_FALSE(window_->Image3.Visible());
    boxes_.Answers.push_back(winui::BoxAnswer::Yes);
    Click(window_->Image4, WM_LBUTTONDOWN);
    ASSERT_EQ(boxes_.Shown.size(), 2u);
    EXPECT_EQ(boxes_.Shown[1].Kind, winui::BoxKind::Confirmation);
    EXPECT_EQ(boxes_.Shown[1].Text, L"Are you sure to exit ?");
}

// The launcher and the updater in one game folder, both with the to-do list
// on screen: each saves its own whole local list when it closes, so the one
// that closes last decides the file, and no mixture of the two ever appears.
TEST_F(UpdaterRun, LauncherAndUpdaterInOneFolderLastToCloseWinsWhole) {
    // The launcher logs in with the line's own password.
    Servers("live 127.0.0.1 " + Env("UPD_PORT") + " 5000 fresh x\r\n");
    // The launcher's side: the shared window with the launcher's settings.
    update::UpdateFormOptions options;
    options.ProgramDir = dir_.Path;
    update::TUpdateForm launcher(options);
    launcher.Create();
    ConfirmingChooser launcherChooser(
        launcher, [] { return update::DisplayLanguage::English; }, dir_.Path);
    launcherChooser.Create();
    gzip::TGzipFile launcherGzip;
    update::RunSettings settings;
    settings.ProgramDir = dir_.Path;
    auto run = std::make_unique<update::UpdateRun>(launcher, launcherChooser.Chooser(),
                                                   launcherGzip, settings);
    launcher.OnRun = [&run] { run->Run(); };
    launcher.OnFormClose = [&run] { run->Close(); };
    int launcherEnded = -1;
    launcher.OnEndProgram = [&launcherEnded](int code) { launcherEnded = code; };
    launcher.Show();
    winui::ProcessMessages();
    const std::string header = testutil::ReadFile(dir_.Path / "update2.dat");
    EXPECT_EQ(header, "AVWSEN\r\n");

    // The updater installs everything and closes first.
    StartRun();
    ASSERT_EQ(window_->ListBox1.Count(), 3);
    Click(window_->Image2, WM_LBUTTONDOWN);
    ASSERT_TRUE(window_->Image3.Visible());
    window_->FormClose();
    // Header, the empty line a header-only list gains, one record per file.
    const update::Lines updated = update::LoadLines(dir_.Path / "update2.dat");
    ASSERT_EQ(updated.size(), 5u);
    EXPECT_EQ(updated[0], "AVWSEN");
    EXPECT_EQ(updated[1], "");
    EXPECT_EQ(updated[4], "notes.txt 0001");

    // The launcher closes last: its own list, whole, with nothing of the updater's.
    launcher.FormClose();
    EXPECT_EQ(testutil::ReadFile(dir_.Path / "update2.dat"), "AVWSEN\r\n\r\n");
    EXPECT_EQ(launcherEnded, 0);  // it was logged in
    run.reset();
}

}  // namespace
