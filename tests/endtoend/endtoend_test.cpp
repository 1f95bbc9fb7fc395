// The update run end to end under wine: run_endtoend.py serves update sets
// made from generated game folders on loopback; each case lays out a program
// directory with an isp0.dat and drives the product's run (update::UpdateRun)
// through a headless window and chooser, as the update window's handlers do,
// then compares the program directory with the game folder byte for byte.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>

#include "core/exception.h"
#include "endtoend_files.h"
#include "update/headless_chooser.h"
#include "update/headless_view.h"
#include "update/line_field.h"
#include "update/text_lines.h"
#include "update/update_run_win.h"
#include "update_session_win.h"
#include "winui/message_pump.h"

namespace fs = std::filesystem;
using update::Lines;

namespace {

using endtoend::Bytes;
using endtoend::Env;
using endtoend::ReadFile;
using endtoend::Session;
using endtoend::Tree;

// The program directory holds the game folder's files and the run's own
// files, nothing else: no download, pack or temporary file is left behind.
void ExpectGameFolder(const fs::path& program, const fs::path& game) {
    auto installed = Tree(program);
    for (const char* list : {"isp0.dat", "isp1.dat", "update2.dat", "update3.dat"}) {
        EXPECT_EQ(installed.erase(list), 1u) << list;
    }
    const auto expected = Tree(game);
    ASSERT_FALSE(expected.empty());
    for (const auto& [name, bytes] : expected) {
        const auto it = installed.find(name);
        if (it == installed.end()) {
            ADD_FAILURE() << name << " is missing";
        } else {
            EXPECT_TRUE(it->second == bytes) << name << " differs (" << it->second.size()
                                             << " bytes, expected " << bytes.size() << ")";
        }
    }
    for (const auto& [name, bytes] : installed) {
        EXPECT_TRUE(expected.count(name)) << "unexpected file " << name;
    }
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = Env("E2E_PORT");
        if (port_.empty()) GTEST_SKIP() << "no update server (run through run_endtoend.py)";
        program_ = fs::path(Env("E2E_WORK")) /
                   ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(program_);
        fs::create_directories(program_);
    }

    // What the runs said, to tell where a failing run went.
    void TearDown() override {
        if (HasFailure()) {
            for (const auto& line : said_) std::printf("  | %s\n", line.c_str());
        }
    }

    // A server line for one of the runner's FTP users.
    std::string Server(const std::string& user, const std::string& port = "") const {
        return user + " 127.0.0.1 " + (port.empty() ? port_ : port) + " 5000 " + user + " pw";
    }
    void WriteServers(Lines lines) {
        lines.push_back("end");
        update::SaveLines(program_ / "isp0.dat", lines);
    }
    std::unique_ptr<Session> NewSession(update::RunSettings settings = {}) {
        said_.push_back("--- new run");
        return std::make_unique<Session>(program_, std::move(settings), said_);
    }
    // Run, update button, close: a whole launcher run.
    std::unique_ptr<Session> FullRun(update::RunSettings settings = {}) {
        auto s = NewSession(std::move(settings));
        s->run->Run();
        s->run->DownloadPhase();
        s->run->Close();
        return s;
    }
    Lines LocalList() const { return update::LoadLines(program_ / "update2.dat"); }

    std::string port_;
    fs::path program_;
    std::vector<std::string> said_;
};

const std::vector<std::string> kAllTargets = {"readme.txt",
                                              "empty.dat",
                                              "bin\\engine.dat",
                                              "data\\maps\\level1.map",
                                              "docs\\manual\\guide.txt",
                                              "sound.pak"};

Lines Records(const std::string& readmeVersion) {
    Lines records = {"AVWSEN", ""};
    for (const auto& name : kAllTargets) {
        records.push_back(name + " " + (name == "readme.txt" ? readmeVersion : "0001"));
    }
    return records;
}

TEST_F(EndToEnd, FreshInstallThenNothingToDoThenOnlyTheChangedFile) {
    const fs::path v1 = Env("E2E_GAME_V1"), v2 = Env("E2E_GAME_V2");
    WriteServers({Server("v1")});

    // First run: no local list yet; every entry is new and installed.
    auto first = NewSession();
    first->run->Run();
    EXPECT_EQ(Bytes(first->view.ToDoNames), kAllTargets);
    EXPECT_EQ(first->view.Status.Bytes, "6files remain to be updated");
    EXPECT_EQ(first->view.ProgressText.Bytes, "0%");  // the remote list shows no progress
    EXPECT_TRUE(first->run->DownloadReady());
    first->run->DownloadPhase();
    EXPECT_FALSE(first->run->DownloadReady());
    EXPECT_EQ(Bytes(first->view.DoneNames), kAllTargets);
    EXPECT_EQ(first->view.Status.Bytes, "0files remain to be updated");
    EXPECT_TRUE(first->view.StartButtonShown);
    EXPECT_TRUE(first->view.Boxes.empty());
    // Received and announced bytes (pyftpdlib announces none), then one blank.
    EXPECT_TRUE(std::regex_match(first->view.ProgressText.Bytes, std::regex("[1-9][0-9]* of 0 ")))
        << first->view.ProgressText.Bytes;
    ExpectGameFolder(program_, v1);
    EXPECT_EQ(LocalList(), Records("0001"));
    first->run->Close();
    EXPECT_EQ(first->view.ExitCode, 0);  // closed while logged in: the program ends

    // Second run against the same set: nothing to do; the start button starts
    // the game client and closes the window, which saves the list unchanged.
    auto second = NewSession();
    second->run->Run();
    EXPECT_TRUE(second->view.ToDoNames.empty());
    EXPECT_EQ(second->view.Status.Bytes, "No files updateing needed");
    EXPECT_TRUE(second->view.StartButtonShown);
    EXPECT_FALSE(second->run->DownloadReady());
    second->run->StartGame();
    ASSERT_EQ(second->view.Started.size(), 1u);
    EXPECT_EQ(second->view.Started[0].Program, program_ / "ostrel.exe");
    EXPECT_EQ(second->view.Started[0].Arguments, "");
    EXPECT_TRUE(second->view.Hidden);
    EXPECT_EQ(second->view.ExitCode, 0);
    second->run->Close();  // a second close saves nothing more
    ExpectGameFolder(program_, v1);
    EXPECT_EQ(LocalList(), Records("0001"));

    // Third run against the set where readme.txt has a new version: only that
    // file is fetched, and its record line is replaced in place.
    WriteServers({Server("v2")});
    auto third = FullRun();
    EXPECT_EQ(Bytes(third->view.DoneNames), std::vector<std::string>{"readme.txt"});
    ExpectGameFolder(program_, v2);
    EXPECT_EQ(LocalList(), Records("0002"));
}

TEST_F(EndToEnd, RotationSkipsRefusingUnlistingAndRejectingServers) {
    // A port that refuses connections, a server that logs in but does not
    // list update3.dat, a wrong password, then the good one; the player
    // chose any server.
    const std::string dead = Env("E2E_DEAD_PORT");
    ASSERT_FALSE(dead.empty());
    WriteServers({Server("v1", dead), Server("nolist"), "bad 127.0.0.1 " + port_ + " 5000 v1 wrong",
                  Server("v1"), Server("v2")});
    auto s = NewSession();
    s->chooser.Pick = 5;
    s->run->Run();
    // The refused connection, then the rejected login twice (failed, closed).
    EXPECT_EQ(Bytes(s->view.Boxes), std::vector<std::string>(3, "Disconnected"));
    EXPECT_EQ(ReadFile(program_ / "isp1.dat"), "5\r\n");
    s->run->DownloadPhase();
    ExpectGameFolder(program_, Env("E2E_GAME_V1"));

    // The updater's differences: its own password for every server, and no
    // box for a refused connection.
    fs::remove_all(program_);
    fs::create_directories(program_);
    WriteServers({"fixed 127.0.0.1 " + dead + " 5000 fixed pw", Server("nolist"),
                  "fixed 127.0.0.1 " + port_ + " 5000 fixed pw"});
    update::RunSettings updater;
    updater.FixedPassword = "x";
    updater.BoxOnConnectionFailed = false;
    auto u = NewSession(updater);
    u->chooser.Pick = 3;
    u->run->Run();
    // nolist rejects the fixed password: only its close shows a box.
    EXPECT_EQ(Bytes(u->view.Boxes), std::vector<std::string>{"Disconnected"});
    EXPECT_EQ(u->view.ToDoNames.size(), kAllTargets.size());
}

TEST_F(EndToEnd, NoUsableServerEndsTheRunDisconnected) {
    update::RunSettings updater;
    updater.EndProgramOnCloseAlways = true;
    struct Case {
        Lines servers;
        update::RunSettings settings;
        std::optional<int> exitCode;  // closing while not logged in
    };
    for (const Case& c : {Case{{Server("nolist")}, {}, std::nullopt}, Case{{}, {}, std::nullopt},
                          Case{{}, updater, 0}}) {
        fs::remove_all(program_);
        fs::create_directories(program_);
        WriteServers(c.servers);
        auto s = NewSession(c.settings);
        s->run->Run();
        EXPECT_EQ(s->view.Status.Bytes, "Disconnected");
        EXPECT_EQ(Bytes(s->view.Boxes), std::vector<std::string>{"Disconnected"});
        EXPECT_FALSE(s->run->DownloadReady());
        s->run->DownloadPhase();
        s->run->Close();
        // The launcher's window just closes; the updater's close ends it.
        EXPECT_EQ(s->view.ExitCode, c.exitCode);
        EXPECT_FALSE(fs::exists(program_ / "update3.dat"));
        EXPECT_FALSE(fs::exists(program_ / "update2.dat"));
    }
}

TEST_F(EndToEnd, ExitDuringTheRotationStopsIt) {
    // The refused server's box is open when the player presses update (too
    // early: nothing happens) and then exit; the good server is never tried.
    const std::string dead = Env("E2E_DEAD_PORT");
    WriteServers({Server("v1", dead), Server("v1")});
    auto s = NewSession();
    s->view.ConfirmAnswers = {true};
    s->view.WhileBoxOpen = [&s](const update::Text&) {
        s->run->DownloadPhase();
        s->run->Exit();
    };
    s->run->Run();
    EXPECT_EQ(s->view.Boxes.size(), 1u);
    EXPECT_EQ(s->view.Status.Bytes, "please wait...");
    EXPECT_EQ(s->view.CloseCount, 1);
    EXPECT_FALSE(s->view.ExitCode);
    EXPECT_FALSE(fs::exists(program_ / "update3.dat"));
    EXPECT_FALSE(s->run->DownloadReady());
}

TEST_F(EndToEnd, ListingIgnoresCaseAndAFailedFetchKeepsTheLastList) {
    // The server lists UPDATE3.DAT: that counts as listed, but its RETR of
    // update3.dat fails, which ends the run with the error and keeps the list
    // of the last run.
    WriteServers({Server("upper")});
    update::SaveLines(program_ / "update3.dat", {"last list"});
    auto s = NewSession();
    EXPECT_THROW(s->run->Run(), selvane::Exception);
    EXPECT_TRUE(s->view.Boxes.empty());
    EXPECT_EQ(s->view.Status.Bytes, "connecting...");
    EXPECT_EQ(update::LoadLines(program_ / "update3.dat"), Lines{"last list"});
    EXPECT_FALSE(fs::exists(program_ / "update2.dat"));
    EXPECT_EQ(Tree(program_).size(), 3u);  // isp0.dat, isp1.dat, update3.dat: no partial file
}

TEST_F(EndToEnd, TheChoosersServerIsTriedFirst) {
    // The draws would take v2 first; isp1.dat names v1.
    WriteServers({Server("v2"), Server("v1")});
    update::SaveLines(program_ / "isp1.dat", {"1"});
    auto s = FullRun();
    EXPECT_EQ(s->chooser.SelectedIndex(), 1);
    EXPECT_EQ(LocalList(), Records("0001"));

    update::SaveLines(program_ / "isp1.dat", {"0"});
    auto again = FullRun();
    EXPECT_EQ(Bytes(again->view.DoneNames), std::vector<std::string>{"readme.txt"});
    EXPECT_EQ(LocalList(), Records("0002"));

    // Destroying the run releases its logged-in client without a word to
    // the window.
    const size_t said = said_.size();
    again->run.reset();
    EXPECT_EQ(said_.size(), said);
}

TEST_F(EndToEnd, RunStoppedByAMissingFileResumesWithTheRest) {
    // The broken set announces data\maps\level1.map but lacks its file: the
    // phase stops there; closing the window keeps what it recorded before.
    WriteServers({Server("broken")});
    auto s = NewSession();
    s->run->Run();
    EXPECT_THROW(s->run->DownloadPhase(), selvane::Exception);
    EXPECT_EQ(Bytes(s->view.ToDoNames),
              (std::vector<std::string>{"data\\maps\\level1.map", "docs\\manual\\guide.txt",
                                        "sound.pak"}));
    EXPECT_FALSE(s->view.StartButtonShown);
    s->run->Close();
    EXPECT_EQ(LocalList(),
              (Lines{"AVWSEN", "", "readme.txt 0001", "empty.dat 0001", "bin\\engine.dat 0001"}));

    WriteServers({Server("v1")});
    auto resumed = FullRun();
    EXPECT_EQ(Bytes(resumed->view.DoneNames),
              (std::vector<std::string>{"data\\maps\\level1.map", "docs\\manual\\guide.txt",
                                        "sound.pak"}));
    ExpectGameFolder(program_, Env("E2E_GAME_V1"));
    EXPECT_EQ(LocalList(), Records("0001"));
}

TEST_F(EndToEnd, AFileThatFailsItsSizeTestIsShownAndTheRunGoesOn) {
    // The badsize set announces one byte too many for empty.dat.
    WriteServers({Server("badsize")});
    update::RunSettings traditional;
    traditional.Language = update::DisplayLanguage::Traditional;
    auto s = FullRun(traditional);
    // 未更新: 大小不符 (not updated: size differs), in Big5
    ASSERT_EQ(s->view.Boxes.size(), 1u);
    EXPECT_EQ(s->view.Boxes[0].Bytes,
              "empty.dat \xA5\xBC\xA7\xF3\xB7s: \xA4j\xA4p\xA4\xA3\xB2\xC5");
    EXPECT_EQ(s->view.Boxes[0].CodePage, update::TextCodePage::Big5);
    EXPECT_EQ(Bytes(s->view.DoneNames), kAllTargets);
    // 還有0個檔案需要更新 (0 files remain to be updated)
    EXPECT_EQ(s->view.Status.Bytes,
              "\xC1\xD9\xA6\xB3"
              "0\xAD\xD3\xC0\xC9\xAE\xD7\xBB\xDD\xADn\xA7\xF3\xB7s");
    EXPECT_TRUE(s->view.StartButtonShown);
    Lines expected = Records("0001");
    expected.erase(expected.begin() + 3);
    EXPECT_EQ(LocalList(), expected);
}

TEST_F(EndToEnd, ExitDuringADownloadSavesWhatWasRecordedAndEndsTheProgram) {
    WriteServers({Server("v1")});
    auto s = NewSession();
    s->run->Run();
    // Answered No: nothing changes.
    s->run->Exit();
    EXPECT_EQ(s->view.CloseCount, 0);
    EXPECT_EQ(s->view.Status.Bytes, "6files remain to be updated");

    // Answered Yes while bin\engine.dat is arriving.
    s->view.ConfirmAnswers = {true};
    s->view.OnProgressText = [&s](const update::Text&) {
        if (s->view.DoneNames.size() == 2 && s->view.Questions.size() == 1) s->run->Exit();
    };
    s->run->DownloadPhase();
    EXPECT_EQ(s->view.Questions.size(), 2u);
    EXPECT_EQ(s->view.Status.Bytes, "please wait...");
    EXPECT_EQ(s->view.CloseCount, 1);
    EXPECT_EQ(s->view.ExitCode, 0);
    EXPECT_EQ(s->view.DoneNames.size(), 2u);
    EXPECT_EQ(LocalList(), (Lines{"AVWSEN", "", "readme.txt 0001", "empty.dat 0001"}));
    EXPECT_FALSE(s->view.StartButtonShown);
}

// The runner's log of PORT, PASV and REST, "user VERB arg" per line; read
// and emptied.
std::vector<std::string> TakeCommandLog() {
    const fs::path log = Env("E2E_COMMAND_LOG");
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(log));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::ofstream(log, std::ios::trunc);
    return lines;
}

// A server that hangs up shows the disconnected box when its close
// notification comes before the run has moved on; never any other box.
void ExpectDisconnectedBoxes(const update::HeadlessView& view, size_t least, size_t most) {
    EXPECT_GE(view.Boxes.size(), least);
    EXPECT_LE(view.Boxes.size(), most);
    for (const auto& box : view.Boxes) EXPECT_EQ(box.Bytes, "Disconnected");
}

std::vector<std::string> Verbs(const std::vector<std::string>& log) {
    std::vector<std::string> verbs;
    for (const auto& line : log) {
        std::istringstream words(line);
        std::string user, verb;
        words >> user >> verb;
        verbs.push_back(user + " " + verb);
    }
    return verbs;
}

// The offset where the dying mirror cut bin_engine.dat.gz (40 % of it).
std::string CutOffset(const fs::path& program) {
    const auto line = update::LoadLines(program / "update3.dat");
    for (const auto& entry : line) {
        if (update::LineField(entry, 3) == "bin\\engine.dat")
            return std::to_string(
                static_cast<int64_t>(std::stoll(update::LineField(entry, 5)) * 4 / 10));
    }
    return "";
}

TEST_F(EndToEnd, BehindARouterTheRunGoesPassive) {
    // pasv refuses PORT: the listing falls back to passive, and the rest of
    // the run on that server is passive from the start.
    WriteServers({Server("pasv")});
    TakeCommandLog();
    auto s = FullRun();
    ExpectGameFolder(program_, Env("E2E_GAME_V1"));
    std::vector<std::string> expected = {"pasv PORT"};
    expected.resize(1 + 1 + kAllTargets.size() + 1, "pasv PASV");  // list, update3.dat, files
    EXPECT_EQ(Verbs(TakeCommandLog()), expected);

    // The "passive" field of a server line asks for it from the first transfer.
    fs::remove_all(program_);
    fs::create_directories(program_);
    WriteServers({Server("pasv") + " passive"});
    FullRun();
    ExpectGameFolder(program_, Env("E2E_GAME_V1"));
    const auto verbs = Verbs(TakeCommandLog());
    EXPECT_EQ(std::count(verbs.begin(), verbs.end(), "pasv PORT"), 0);

    // A server that refuses PASV too lists nothing: the run goes on to the next.
    fs::remove_all(program_);
    fs::create_directories(program_);
    WriteServers({Server("nodata"), Server("v1")});
    FullRun();
    ExpectGameFolder(program_, Env("E2E_GAME_V1"));
    EXPECT_EQ(Verbs(TakeCommandLog())[1], "nodata PASV");
}

TEST_F(EndToEnd, AMirrorThatDiesMidTransferIsReplacedAndTheFileResumes) {
    // cut dies 40 % into bin\engine.dat; the run goes on with v1, which
    // serves the same list, and asks it only for the rest.
    WriteServers({Server("cut"), Server("v1")});
    TakeCommandLog();
    auto s = NewSession();
    s->run->Run();
    s->run->DownloadPhase();
    EXPECT_EQ(Bytes(s->view.DoneNames), kAllTargets);
    EXPECT_TRUE(s->view.StartButtonShown);
    ExpectDisconnectedBoxes(s->view, 0, 1);
    EXPECT_TRUE(std::count(said_.begin(), said_.end(), "status: server: v1"));
    ExpectGameFolder(program_, Env("E2E_GAME_V1"));
    const auto log = TakeCommandLog();
    EXPECT_TRUE(std::count(log.begin(), log.end(), "v1 REST " + CutOffset(program_)))
        << ::testing::PrintToString(log);
    s->run->Close();
    EXPECT_EQ(s->view.ExitCode, 0);  // logged in to v1 when it closes
}

TEST_F(EndToEnd, AMirrorWithAnotherListIsNotUsedAndTheNextRunResumes) {
    // After cut dies, other serves a different update3.dat: no server is
    // left, so the phase ends as a lost connection always did, keeping what
    // arrived of bin\engine.dat for the next run.
    WriteServers({Server("cut"), Server("other")});
    TakeCommandLog();
    auto s = NewSession();
    s->run->Run();
    EXPECT_THROW(s->run->DownloadPhase(), selvane::Exception);
    ExpectDisconnectedBoxes(s->view, 1, 2);  // the run's own, and cut's close if it came first
    EXPECT_EQ(s->view.DoneNames.size(), 2u);
    EXPECT_FALSE(s->view.StartButtonShown);
    EXPECT_FALSE(s->run->DownloadReady());
    s->run->Close();
    EXPECT_FALSE(s->view.ExitCode);  // not logged in any more: back to the main menu
    EXPECT_EQ(LocalList(), (Lines{"AVWSEN", "", "readme.txt 0001", "empty.dat 0001"}));
    EXPECT_EQ(
        endtoend::ReadFile(program_ / "update3.dat"),
        endtoend::ReadFile(fs::path(Env("E2E_GAME_V1")) / ".." / "server_v1" / "update3.dat"));
    EXPECT_TRUE(fs::exists(program_ / "bin_engine.dat.gz.~part"));

    WriteServers({Server("v1")});
    TakeCommandLog();
    FullRun();
    ExpectGameFolder(program_, Env("E2E_GAME_V1"));
    const auto log = TakeCommandLog();
    EXPECT_TRUE(std::count(log.begin(), log.end(), "v1 REST " + CutOffset(program_)))
        << ::testing::PrintToString(log);
}

TEST_F(EndToEnd, TheLastServerDyingEndsThePhaseDisconnected) {
    WriteServers({Server("cut")});
    auto s = NewSession();
    s->run->Run();
    EXPECT_THROW(s->run->DownloadPhase(), selvane::Exception);
    // The box comes with the close notification, which may still be queued.
    for (int wait = 0; wait < 50 && s->view.Boxes.empty(); ++wait) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        winui::ProcessMessages();
    }
    ExpectDisconnectedBoxes(s->view, 1, 1);
    EXPECT_FALSE(s->run->DownloadReady());
    s->run->Close();
    EXPECT_FALSE(s->view.ExitCode);
    EXPECT_EQ(LocalList(), (Lines{"AVWSEN", "", "readme.txt 0001", "empty.dat 0001"}));
}

TEST_F(EndToEnd, TheProgramsOwnFileIsMovedAsideAndRemovedAtTheNextStart) {
    // readme.txt stands in for the running program's file.
    WriteServers({Server("v1")});
    update::RunSettings settings;
    settings.ProgramFile = program_ / "readme.txt";
    FullRun(settings);
    WriteServers({Server("v2")});
    auto s = FullRun(settings);
    EXPECT_EQ(Bytes(s->view.Boxes), std::vector<std::string>{"Please restart the program"});
    EXPECT_EQ(endtoend::ReadFile(program_ / "readme.txt.~old"),
              endtoend::ReadFile(fs::path(Env("E2E_GAME_V1")) / "readme.txt"));
    fs::remove(program_ / "readme.txt.~old");  // what the next start does, below
    ExpectGameFolder(program_, Env("E2E_GAME_V2"));

    update::SaveLines(program_ / "readme.txt.~old", {"the old program"});
    auto next = NewSession(settings);
    EXPECT_FALSE(fs::exists(program_ / "readme.txt.~old"));
    ExpectGameFolder(program_, Env("E2E_GAME_V2"));
}

}  // namespace
