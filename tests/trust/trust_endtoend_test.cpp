// Signed lists and hashed files end to end under wine: run_trust_endtoend.py
// serves signed, unsigned and tampered sets on loopback; each case drives the
// product's run (update::UpdateRun) through the headless window and chooser
// with the test key, and compares the program directory with the release.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/endtoend/endtoend_files.h"
#include "tests/endtoend/update_session_win.h"
#include "trust/p256.h"
#include "update/text_lines.h"
#include "update/update_run_win.h"

namespace fs = std::filesystem;
using endtoend::Bytes;
using endtoend::Env;
using endtoend::ReadFile;
using endtoend::Session;
using endtoend::Tree;
using update::Lines;

namespace {

class TrustEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = Env("E2E_PORT");
        if (port_.empty()) GTEST_SKIP() << "no update server (run through run_trust_endtoend.py)";
        key_ = trust::ParseP256PublicKey(Env("E2E_LIST_KEY"));
        ASSERT_TRUE(key_);
        program_ = fs::path(Env("E2E_WORK")) /
                   ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Fresh();
    }
    void TearDown() override {
        if (HasFailure())
            for (const auto& line : said_) std::printf("  | %s\n", line.c_str());
    }
    void Fresh() {
        fs::remove_all(program_);
        fs::create_directories(program_);
    }
    std::string Server(const std::string& user) const {
        return user + " 127.0.0.1 " + port_ + " 5000 " + user + " pw";
    }
    void WriteServers(Lines lines) {
        lines.push_back("end");
        update::SaveLines(program_ / "isp0.dat", lines);
    }
    update::RunSettings Signed() const {
        update::RunSettings settings;
        settings.ListKey = key_;
        return settings;
    }
    // Run, update button, close.
    std::unique_ptr<Session> FullRun(update::RunSettings settings) {
        said_.push_back("--- new run");
        auto s = std::make_unique<Session>(program_, std::move(settings), said_);
        s->run->Run();
        s->run->DownloadPhase();
        s->run->Close();
        return s;
    }
    // The release's files byte for byte, besides the run's own files.
    void ExpectRelease(const fs::path& game, const std::vector<std::string>& missing = {}) {
        auto installed = Tree(program_);
        for (const char* own : {"isp0.dat", "isp1.dat", "update2.dat", "update3.dat"})
            EXPECT_EQ(installed.erase(own), 1u) << own;
        installed.erase("update2.seq");
        auto expected = Tree(game);
        for (const auto& name : missing) expected.erase(name);
        EXPECT_EQ(installed.size(), expected.size());
        for (const auto& [name, bytes] : expected)
            EXPECT_TRUE(installed.count(name) && installed[name] == bytes) << name;
    }

    std::string port_;
    std::optional<trust::P256PublicKey> key_;
    fs::path program_;
    std::vector<std::string> said_;
};

TEST_F(TrustEndToEnd, AnUntrustedListPassesItsServerOverUntilTheGoodOne) {
    // This folder took sequence 2 before: the list signed as 1 is a replay.
    const auto tookTwo = [this] { update::SaveLines(program_ / "update2.seq", {"2"}); };
    for (const char* bad : {"replay", "nosig", "otherkey", "expired", "badlist"}) {
        SCOPED_TRACE(bad);
        Fresh();
        tookTwo();
        WriteServers({Server(bad)});
        auto s = FullRun(Signed());
        EXPECT_EQ(s->view.Status.Bytes, "Disconnected");
        EXPECT_EQ(Bytes(s->view.Boxes), std::vector<std::string>{"Disconnected"});
        EXPECT_FALSE(fs::exists(program_ / "update3.dat"));
        EXPECT_FALSE(fs::exists(program_ / "update2.dat"));
        EXPECT_EQ(ReadFile(program_ / "update2.seq"), "2\r\n");
    }

    // Every bad server first, the good one last: the run ends on it, quietly.
    Fresh();
    tookTwo();
    WriteServers({Server("replay"), Server("nosig"), Server("otherkey"), Server("expired"),
                  Server("badlist"), Server("good")});
    auto s = FullRun(Signed());
    EXPECT_TRUE(s->view.Boxes.empty());
    EXPECT_TRUE(s->view.StartButtonShown);
    ExpectRelease(Env("E2E_GAME_V2"));
    EXPECT_EQ(ReadFile(program_ / "update2.seq"), "2\r\n");

    // A folder that never took a signed list keeps the sequence it takes.
    Fresh();
    WriteServers({Server("good")});
    FullRun(Signed());
    ExpectRelease(Env("E2E_GAME_V2"));
    EXPECT_EQ(ReadFile(program_ / "update2.seq"), "2\r\n");
}

TEST_F(TrustEndToEnd, AFileOfTheRightSizeButOtherBytesIsNotInstalled) {
    // The hash holds with and without a key: the list names it either way.
    for (const bool withKey : {true, false}) {
        SCOPED_TRACE(withKey ? "with a key" : "without a key");
        Fresh();
        WriteServers({Server("badfile")});
        auto s = FullRun(withKey ? Signed() : update::RunSettings{});
        EXPECT_EQ(Bytes(s->view.Boxes),
                  std::vector<std::string>{"bin\\engine.dat not updated: content differs"});
        EXPECT_EQ(s->view.DoneNames.size(), 6u);
        ExpectRelease(Env("E2E_GAME_V2"), {"bin/engine.dat"});
        for (const auto& line : update::LoadLines(program_ / "update2.dat"))
            EXPECT_NE(line.rfind("bin\\engine.dat ", 0), 0u) << line;
    }
}

TEST_F(TrustEndToEnd, WithoutAKeyListsServeAsBefore) {
    // Unsigned, and signed as an older list: a program without a key takes both.
    for (const char* server : {"nosig", "replay"}) {
        SCOPED_TRACE(server);
        Fresh();
        WriteServers({Server(server)});
        auto s = FullRun({});
        EXPECT_TRUE(s->view.Boxes.empty());
        ExpectRelease(Env(std::string(server) == "replay" ? "E2E_GAME_V1" : "E2E_GAME_V2"));
        EXPECT_FALSE(fs::exists(program_ / "update2.seq"));
    }
}

}  // namespace
