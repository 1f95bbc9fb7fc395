// The update path end to end under wine: run_endtoend.py serves update sets
// made from generated game folders on loopback; each case lays out a program
// directory with an isp0.dat, performs headless update runs with the real
// engine (FTP client, lists, installs, gzip, packs) and compares the result
// with the game folder byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "core/exception.h"
#include "tools/demo/headless_run_win.h"
#include "update/line_field.h"
#include "update/text_lines.h"

namespace fs = std::filesystem;
using update::InstallResult;
using update::Lines;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Relative name (forward slashes) -> bytes of every file below root.
std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            files[fs::relative(e.path(), root).generic_string()] = ReadFile(e.path());
        }
    }
    return files;
}

// The program directory holds the game folder's files and the three lists,
// nothing else: no download, pack or temporary file is left behind.
void ExpectGameFolder(const fs::path& program, const fs::path& game) {
    auto installed = Tree(program);
    for (const char* list : {"isp0.dat", "update2.dat", "update3.dat"}) {
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
    demo::RunResult Run() {
        demo::RunHooks hooks;
        hooks.Say = [this](const std::string& line) { said_.push_back(line); };
        hooks.Progress = [this](int64_t received, int64_t total) {
            EXPECT_LE(received, total);
            ++progressEvents_;
        };
        return demo::RunUpdate(program_, hooks);
    }
    // Target names of the to-do entries.
    static Lines Targets(const demo::RunResult& result) {
        Lines names;
        for (const auto& entry : result.ToDo) {
            names.push_back(update::LineField(entry, entry.rfind("U ", 0) == 0 ? 5 : 3));
        }
        return names;
    }

    std::string port_;
    fs::path program_;
    Lines said_;
    int progressEvents_ = 0;
};

const Lines kAllTargets = {"readme.txt",         "empty.dat",          "bin\\engine.dat",
                           "data\\maps\\level1.map", "docs\\manual\\guide.txt", "sound.pak"};

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
    auto first = Run();
    EXPECT_EQ(first.Server, Server("v1"));
    EXPECT_EQ(Targets(first), kAllTargets);
    EXPECT_EQ(first.Results, std::vector<InstallResult>(kAllTargets.size(), InstallResult::Installed));
    EXPECT_GT(progressEvents_, 6);
    ExpectGameFolder(program_, v1);
    EXPECT_EQ(update::LoadLines(program_ / "update2.dat"), Records("0001"));

    // Second run against the same set: nothing to do, the lists unchanged.
    auto second = Run();
    EXPECT_EQ(second.Server, Server("v1"));
    EXPECT_TRUE(second.ToDo.empty());
    ExpectGameFolder(program_, v1);
    EXPECT_EQ(update::LoadLines(program_ / "update2.dat"), Records("0001"));

    // Third run against the set where readme.txt has a new version: only that
    // file is fetched, and its record line is replaced in place.
    WriteServers({Server("v2")});
    auto third = Run();
    ASSERT_EQ(third.ToDo.size(), 1u);
    EXPECT_EQ(third.ToDo[0].rfind("U 2 E readme.txt.gz readme.txt 0002 ", 0), 0u) << third.ToDo[0];
    EXPECT_EQ(third.Results, std::vector<InstallResult>{InstallResult::Installed});
    ExpectGameFolder(program_, v2);
    EXPECT_EQ(update::LoadLines(program_ / "update2.dat"), Records("0002"));
}

TEST_F(EndToEnd, RotationSkipsRefusingAndUnlistingServers) {
    // A port that refuses connections, a server that logs in but does not
    // list update3.dat, a wrong password, then the good one.
    const std::string dead = Env("E2E_DEAD_PORT");
    ASSERT_FALSE(dead.empty());
    WriteServers({Server("v1", dead), Server("nolist"), "bad 127.0.0.1 " + port_ + " 5000 v1 wrong",
                  Server("v1"), Server("v2")});
    auto result = Run();
    EXPECT_EQ(result.Server, Server("v1"));
    EXPECT_EQ(result.ToDo.size(), kAllTargets.size());
    ExpectGameFolder(program_, Env("E2E_GAME_V1"));

    // With no usable server at all, nothing is fetched or written.
    fs::remove_all(program_);
    fs::create_directories(program_);
    WriteServers({Server("nolist")});
    EXPECT_TRUE(Run().Server.empty());
    EXPECT_FALSE(fs::exists(program_ / "update3.dat"));
    EXPECT_FALSE(fs::exists(program_ / "update2.dat"));
}

TEST_F(EndToEnd, RunStoppedByAMissingFileResumesWithTheRest) {
    // The broken set announces data\maps\level1.map but lacks its file: the
    // run stops there, keeping what it recorded before.
    WriteServers({Server("broken")});
    EXPECT_THROW(Run(), selvane::Exception);
    const Lines recorded = update::LoadLines(program_ / "update2.dat");
    EXPECT_EQ(recorded, (Lines{"AVWSEN", "", "readme.txt 0001", "empty.dat 0001", "bin\\engine.dat 0001"}));

    WriteServers({Server("v1")});
    auto resumed = Run();
    EXPECT_EQ(Targets(resumed), (Lines{"data\\maps\\level1.map", "docs\\manual\\guide.txt", "sound.pak"}));
    ExpectGameFolder(program_, Env("E2E_GAME_V1"));
    EXPECT_EQ(update::LoadLines(program_ / "update2.dat"), Records("0001"));
}

}  // namespace
