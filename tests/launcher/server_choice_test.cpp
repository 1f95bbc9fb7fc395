// The server chooser's two files, without windows: entries from the server
// list and the remembered choice.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "launcher/server_choice.h"

namespace {

using Entries = std::vector<std::string>;

TEST(ServerChoice, EntriesAreTheFirstFieldOfEveryLineButTheLast) {
    const std::pair<update::Lines, Entries> cases[] = {
        {{"A 10.0.0.1 21 3000 u p", "B host 21 3000 u p", "end"}, {"A", "B"}},
        {{"   spaced  host 21", "nospaces", "anything at all"}, {"spaced", "nospaces"}},
        {{"\tTab host", ""}, {"\tTab"}},  // only the blank separates fields
        {{"end"}, {}},
        {{}, {}},
    };
    for (const auto& [lines, entries] : cases) {
        EXPECT_EQ(launcher::ServerEntries(lines), entries) << lines.size();
    }
}

TEST(ServerChoice, TheRememberedIndexOrEntryZeroWhenItIsNotUsable) {
    const auto file = std::filesystem::temp_directory_path() / "launcher_isp1_test.dat";
    const std::pair<const char*, int> cases[] = {
        {"1\r\n", 1},     {"2", 2},      {"2\r\n0\r\n", 2},  // only the first line counts
        {" 1\r\n", 1},    {"3\r\n", 0},                      // no such entry among 3
        {"-1\r\n", 0},    {"1x\r\n", 0}, {"x\r\n", 0},      {"99999999999999999999\r\n", 0},
        {"\r\n1\r\n", 0}, {"", 0},
    };
    for (const auto& [content, index] : cases) {
        std::ofstream(file, std::ios::binary) << content;
        EXPECT_EQ(launcher::RememberedChoice(file, 3), index) << content;
    }
    std::filesystem::remove(file);
    EXPECT_EQ(launcher::RememberedChoice(file, 3), 0);

    launcher::RememberChoice(file, 2);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "2\r\n");
    in.close();
    std::filesystem::remove(file);
}

}  // namespace
