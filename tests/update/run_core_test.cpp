// The update run's portable pieces: server lines, the server order with a
// scripted random source, the rotation, isp1.dat, and the run's texts.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/exception.h"
#include "cvcode/cvcode.h"
#include "temp_dir.h"
#include "update/chosen_server.h"
#include "update/headless_chooser.h"
#include "update/run_texts.h"
#include "update/server_list.h"
#include "update/server_order.h"
#include "update/server_rotation.h"

using update::AttemptResult;
using update::DisplayLanguage;
using update::Lines;
using update::RotationResult;
using update::RunMessage;
using update::SimplifiedSource;
using update::TextCodePage;

namespace {

// Draws the given numbers in turn and records the bound of every draw.
struct ScriptedRandom {
    std::vector<int> draws;
    std::vector<int> maxima;
    update::RandomSource Source() {
        return [this](int max) {
            maxima.push_back(max);
            const int r = draws.empty() ? 0 : draws.front();
            if (!draws.empty()) draws.erase(draws.begin());
            return r;
        };
    }
};

const Lines kServers = {"A a.host 21 5000 ua pa", "B b.host 21 5000 ub pb",
                        "C c.host 21 5000 uc pc", "end"};

update::ServerChoice Choice(int selected, const Lines& lines = kServers) {
    return {lines, selected, static_cast<int>(lines.size())};
}

}  // namespace

TEST(ServerLine, FieldsAndTheEndLine) {
    const auto s = update::ParseServerLine("  Home   10.0.0.1 2121 7000 user secret extra");
    EXPECT_EQ(s.Name, "Home");
    EXPECT_EQ(s.Host, "10.0.0.1");
    EXPECT_EQ(s.Port, 2121);
    EXPECT_EQ(s.TimeOut, 7000);
    EXPECT_EQ(s.UserID, "user");
    EXPECT_EQ(s.Password, "secret");

    for (const char* bad : {"A host x 5000 u p", "A host 21 5s u p", "A host 21", "A host  "})
        EXPECT_THROW(update::ParseServerLine(bad), selvane::Exception) << bad;

    struct Case {
        const char* line;
        bool end;
    };
    for (const Case& c : {Case{"end", true}, Case{"End", false}, Case{"end ", false},
                          Case{" end", false}, Case{"", false}, Case{"ending", false}})
        EXPECT_EQ(update::IsEndLine(c.line), c.end) << '"' << c.line << '"';
}

TEST(ServerLine, ChooserEntriesAreTheFirstFieldOfEveryLineButTheLast) {
    const std::pair<Lines, std::vector<std::string>> cases[] = {
        {{"A 10.0.0.1 21 3000 u p", "B host 21 3000 u p", "end"}, {"A", "B"}},
        {{"   spaced  host 21", "nospaces", "anything at all"}, {"spaced", "nospaces"}},
        {{"\tTab host", ""}, {"\tTab"}},  // only the blank separates fields
        {{"end"}, {}},
        {{}, {}},
    };
    for (const auto& [lines, entries] : cases) {
        EXPECT_EQ(update::ServerEntries(lines), entries) << lines.size();
    }
}

TEST(ServerOrder, ChosenServerFirstThenDrawsFromAllButTheLastLine) {
    struct Case {
        const char* what;
        int selected;
        std::vector<int> draws;
        Lines expected;
        std::vector<int> maxima;
    };
    const Case cases[] = {
        {"B chosen, first draws",
         1,
         {0, 0},
         {kServers[1], kServers[0], kServers[2], "end"},
         {1, 0}},
        {"B chosen, last draws", 1, {1, 0}, {kServers[1], kServers[2], kServers[0], "end"}, {1, 0}},
        {"any server", 3, {2, 0, 0}, {kServers[2], kServers[0], kServers[1], "end"}, {2, 1, 0}},
        // Selections the run cannot use count as the any-server entry.
        {"nothing selected",
         -1,
         {1, 1, 0},
         {kServers[1], kServers[2], kServers[0], "end"},
         {2, 1, 0}},
        {"the end line's index",
         4,
         {0, 0, 0},
         {kServers[0], kServers[1], kServers[2], "end"},
         {2, 1, 0}},
        {"beyond every entry",
         9,
         {0, 0, 0},
         {kServers[0], kServers[1], kServers[2], "end"},
         {2, 1, 0}},
    };
    for (const auto& c : cases) {
        ScriptedRandom random{c.draws, {}};
        EXPECT_EQ(update::BuildServerOrder(kServers, Choice(c.selected), random.Source()),
                  c.expected)
            << c.what;
        EXPECT_EQ(random.maxima, c.maxima) << c.what;
    }
}

TEST(ServerOrder, AnyServerReachesEveryOrderAndKeepsEndLast) {
    std::set<Lines> orders;
    for (int first = 0; first <= 2; ++first) {
        for (int second = 0; second <= 1; ++second) {
            ScriptedRandom random{{first, second, 0}, {}};
            const Lines order = update::BuildServerOrder(kServers, Choice(3), random.Source());
            ASSERT_EQ(order.size(), 4u);
            EXPECT_EQ(order.back(), "end");
            orders.insert(order);
        }
    }
    EXPECT_EQ(orders.size(), 6u);
}

TEST(ServerOrder, TheChoosersLineWithoutEndLineOrServerFile) {
    // The chooser's copy wins for the chosen line; the file's line at that
    // index is the one removed.
    Lines file = kServers;
    file[1] = "B2 other.host 21 5000 u p";
    ScriptedRandom random;
    EXPECT_EQ(update::BuildServerOrder(file, Choice(1), random.Source()),
              (Lines{kServers[1], kServers[0], kServers[2], "end"}));

    // No end line: the file's last line stays last and is tried last.
    const Lines noEnd = {"A a 21 1 u p", "B b 21 1 u p", "C c 21 1 u p"};
    ScriptedRandom any{{1, 0}, {}};
    EXPECT_EQ(update::BuildServerOrder(noEnd, Choice(2, noEnd), any.Source()),
              (Lines{noEnd[1], noEnd[0], noEnd[2]}));

    // A selection the file no longer holds is no selection.
    ScriptedRandom shorter;
    EXPECT_EQ(update::BuildServerOrder({"A a 21 1 u p", "end"}, Choice(2), shorter.Source()),
              (Lines{"A a 21 1 u p", "end"}));
    EXPECT_TRUE(update::BuildServerOrder({}, Choice(0), shorter.Source()).empty());
}

TEST(ServerRotation, TriesServersUntilLoginAbortOrTheEndLine) {
    struct Case {
        const char* what;
        Lines order;
        std::vector<AttemptResult> results;  // per attempt; Failed beyond
        RotationResult expected;
        Lines tried;
    };
    const AttemptResult fail = AttemptResult::Failed;
    const Case cases[] = {
        {"all fail", {"a", "b", "end", "after"}, {}, RotationResult::Exhausted, {"a", "b"}},
        {"only the end line", {"end"}, {}, RotationResult::Exhausted, {}},
        {"empty order", {}, {}, RotationResult::Exhausted, {}},
        {"second logs in",
         {"a", "b", "c", "end"},
         {fail, AttemptResult::LoggedIn},
         RotationResult::LoggedIn,
         {"a", "b"}},
        {"abort stops",
         {"a", "b", "end"},
         {AttemptResult::Aborted},
         RotationResult::Aborted,
         {"a"}},
        {"no end line", {"a", "b"}, {}, RotationResult::Exhausted, {"a", "b"}},
        {"end compared exactly", {"a", "END", "end"}, {}, RotationResult::Exhausted, {"a", "END"}},
    };
    for (const auto& c : cases) {
        update::ServerRotation rotation(c.order);
        Lines tried;
        const auto result = rotation.ConnectNext([&](const std::string& line) {
            const size_t n = tried.size();
            tried.push_back(line);
            return n < c.results.size() ? c.results[n] : fail;
        });
        EXPECT_EQ(result, c.expected) << c.what;
        EXPECT_EQ(tried, c.tried) << c.what;
    }
}

TEST(ServerRotation, ConnectNextGoesOnAfterTheServerThatLoggedIn) {
    update::ServerRotation rotation({"a", "b", "c", "end"});
    Lines tried;
    const auto loginAt = [&](const std::string& winner) {
        return [&tried, winner](const std::string& line) {
            tried.push_back(line);
            return line == winner ? AttemptResult::LoggedIn : AttemptResult::Failed;
        };
    };
    EXPECT_EQ(rotation.ConnectNext(loginAt("a")), RotationResult::LoggedIn);
    EXPECT_EQ(rotation.ConnectNext(loginAt("c")), RotationResult::LoggedIn);
    EXPECT_FALSE(rotation.NextIsServer());
    EXPECT_EQ(rotation.ConnectNext(loginAt("x")), RotationResult::Exhausted);
    EXPECT_EQ(tried, (Lines{"a", "b", "c"}));
}

TEST(ChosenServer, ReadFollowsTheChoosersRules) {
    testutil::TempDir dir;
    const auto file = dir.Path / "isp1.dat";
    EXPECT_EQ(update::ReadChosenIndex(file, 3), 0);  // missing

    struct Case {
        const char* content;
        int expected;  // -2: raises
    };
    const Case cases[] = {
        {"1\r\n", 1},    {"2", 2},       {"0\r\n7\r\n", 0},
        {"3\r\n", -1},   {"-1\r\n", -1}, {"99999999999\r\n", -2},
        {"", -2},        {"x\r\n", -2},  {"\r\n1\r\n", -2},
        {"1.0\r\n", -2},
    };
    for (const auto& c : cases) {
        testutil::WriteFile(file, c.content);
        if (c.expected == -2) {
            EXPECT_THROW(update::ReadChosenIndex(file, 3), selvane::Exception) << c.content;
        } else {
            EXPECT_EQ(update::ReadChosenIndex(file, 3), c.expected) << c.content;
        }
    }
}

TEST(ChosenServer, WriteReplacesTheFileAndIgnoresFailures) {
    testutil::TempDir dir;
    const auto file = dir.Path / "isp1.dat";
    testutil::WriteFile(file, "12345\r\nold second line\r\n");
    update::WriteChosenIndex(file, 2);
    EXPECT_EQ(testutil::ReadFile(file), "2\r\n");
    update::WriteChosenIndex(file, -1);
    EXPECT_EQ(testutil::ReadFile(file), "-1\r\n");
    EXPECT_NO_THROW(update::WriteChosenIndex(dir.Path / "missing" / "isp1.dat", 1));
}

TEST(HeadlessChooser, EntriesSelectionAndConfirmation) {
    testutil::TempDir dir;
    testutil::WriteFile(dir.Path / "isp0.dat", "A a 21 1 u p\r\nB b 21 1 u p\r\nend\r\n");
    testutil::WriteFile(dir.Path / "isp1.dat", "1\r\n");
    update::HeadlessChooser chooser(dir.Path);
    EXPECT_EQ(chooser.ItemCount(), 3);
    EXPECT_EQ(chooser.SelectedIndex(), 1);
    chooser.Pick = 2;
    chooser.ShowModal();
    EXPECT_EQ(testutil::ReadFile(dir.Path / "isp1.dat"), "2\r\n");

    testutil::WriteFile(dir.Path / "isp1.dat", "two\r\n");
    EXPECT_EQ(update::HeadlessChooser(dir.Path).SelectedIndex(), -1);
}

namespace {

struct TextCase {
    const char* what;
    update::Text text;
    std::string bytes;
    TextCodePage page;
};

void ExpectTexts(const std::vector<TextCase>& cases) {
    for (const auto& c : cases) {
        EXPECT_EQ(c.text.Bytes, c.bytes) << c.what;
        EXPECT_EQ(c.text.CodePage, c.page) << c.what;
    }
}

const DisplayLanguage kEn = DisplayLanguage::English;
const DisplayLanguage kTw = DisplayLanguage::Traditional;
const DisplayLanguage kCn = DisplayLanguage::Simplified;

}  // namespace

TEST(RunTexts, EveryMessageInEveryLanguage) {
    using update::RunText;
    const auto big5 = TextCodePage::Big5;
    const auto gb = TextCodePage::Gb2312;
    const auto ascii = TextCodePage::Ascii;
    ExpectTexts({
        {"connecting en", RunText(RunMessage::Connecting, kEn), "connecting...", ascii},
        // 連線中... / 连线中...
        {"connecting tw", RunText(RunMessage::Connecting, kTw), "\xB3s\xBDu\xA4\xA4...", big5},
        {"connecting cn", RunText(RunMessage::Connecting, kCn), "\xC1\xAC\xCF\xDF\xD6\xD0...", gb},
        {"disconnected en", RunText(RunMessage::Disconnected, kEn), "Disconnected", ascii},
        // 連線中斷 / 连线中断
        {"disconnected tw", RunText(RunMessage::Disconnected, kTw), "\xB3s\xBDu\xA4\xA4\xC2_",
         big5},
        {"disconnected cn", RunText(RunMessage::Disconnected, kCn),
         "\xC1\xAC\xCF\xDF\xD6\xD0\xB6\xCF", gb},
        {"nothing en", RunText(RunMessage::NothingToUpdate, kEn), "No files updateing needed",
         ascii},
        // 目前沒有需要更新的檔案 / 目前没有需要更新的档案
        {"nothing tw", RunText(RunMessage::NothingToUpdate, kTw),
         "\xA5\xD8\xAB"
         "e\xA8S\xA6\xB3\xBB\xDD\xADn\xA7\xF3\xB7s\xAA\xBA\xC0\xC9\xAE\xD7",
         big5},
        {"nothing cn", RunText(RunMessage::NothingToUpdate, kCn),
         "\xC4\xBF\xC7\xB0\xC3\xBB\xD3\xD0\xD0\xE8\xD2\xAA\xB8\xFC\xD0\xC2\xB5\xC4\xB5\xB5\xB0\xB8",
         gb},
        {"exit en", RunText(RunMessage::ExitQuestion, kEn), "Are you sure to exit ?", ascii},
        // 你確定要離開嗎? / 你确定要离开吗?
        {"exit tw", RunText(RunMessage::ExitQuestion, kTw),
         "\xA7"
         "A\xBDT\xA9w\xADn\xC2\xF7\xB6}\xB6\xDC?",
         big5},
        {"exit cn", RunText(RunMessage::ExitQuestion, kCn),
         "\xC4\xE3\xC8\xB7\xB6\xA8\xD2\xAA\xC0\xEB\xBF\xAA\xC2\xF0?", gb},
        {"wait en", RunText(RunMessage::PleaseWait, kEn), "please wait...", ascii},
        {"wait tw", RunText(RunMessage::PleaseWait, kTw), "please wait...", ascii},
        {"wait cn", RunText(RunMessage::PleaseWait, kCn), "please wait...", ascii},
    });
}

TEST(RunTexts, RemainingCount) {
    using update::RemainingText;
    // 還有 N 個檔案需要更新 / 还有 N 个档案需要更新
    const std::string tw1 = "\xC1\xD9\xA6\xB3",
                      tw2 = "\xAD\xD3\xC0\xC9\xAE\xD7\xBB\xDD\xADn\xA7\xF3\xB7s";
    const std::string cn1 = "\xBB\xB9\xD3\xD0",
                      cn2 = "\xB8\xF6\xB5\xB5\xB0\xB8\xD0\xE8\xD2\xAA\xB8\xFC\xD0\xC2";
    ExpectTexts({
        {"0", RemainingText(0, kEn), "0files remain to be updated", TextCodePage::Ascii},
        {"1", RemainingText(1, kEn), "1file remain to be updated", TextCodePage::Ascii},
        {"2", RemainingText(2, kEn), "2files remain to be updated", TextCodePage::Ascii},
        {"12 tw", RemainingText(12, kTw), tw1 + "12" + tw2, TextCodePage::Big5},
        {"1 cn", RemainingText(1, kCn), cn1 + "1" + cn2, TextCodePage::Gb2312},
        {"305 cn", RemainingText(305, kCn, SimplifiedSource::FromTraditional), cn1 + "305" + cn2,
         TextCodePage::Gb2312},
    });
}

TEST(RunTexts, ConvertedTraditionalTextsEqualTheStoredSimplifiedOnes) {
    // The updater converts every Traditional text when it shows it; the
    // player must see the same characters as in the launcher.
    for (auto message : {RunMessage::Connecting, RunMessage::Disconnected,
                         RunMessage::NothingToUpdate, RunMessage::ExitQuestion}) {
        const auto stored = update::RunText(message, kCn);
        EXPECT_EQ(update::RunText(message, kCn, SimplifiedSource::FromTraditional).Bytes,
                  stored.Bytes);
        EXPECT_EQ(cvcode::Big5ToGB(update::RunText(message, kTw).Bytes), stored.Bytes);
    }
    for (auto result : {update::InstallResult::SizeMismatch, update::InstallResult::UnsafeName,
                        update::InstallResult::NotWritten, update::InstallResult::UnknownType,
                        update::InstallResult::HashMismatch}) {
        EXPECT_EQ(
            update::NotInstalledText("a.dat", result, kCn, SimplifiedSource::FromTraditional).Bytes,
            update::NotInstalledText("a.dat", result, kCn).Bytes);
    }
}

TEST(RunTexts, NotInstalledNamesTheFileAndTheReason) {
    using update::InstallResult;
    using update::NotInstalledText;
    // 未更新: 大小不符 / 檔名不安全 / 未更新: 无法写入 / 類型不明
    ExpectTexts({
        {"size en", NotInstalledText("data\\x.dat", InstallResult::SizeMismatch, kEn),
         "data\\x.dat not updated: size differs", TextCodePage::System},
        {"name en", NotInstalledText("..\\x", InstallResult::UnsafeName, kEn),
         "..\\x not updated: name refused", TextCodePage::System},
        {"write en", NotInstalledText("x", InstallResult::NotWritten, kEn),
         "x not updated: cannot write", TextCodePage::System},
        {"type en", NotInstalledText("x", InstallResult::UnknownType, kEn),
         "x not updated: unknown type", TextCodePage::System},
        {"size tw", NotInstalledText("x", InstallResult::SizeMismatch, kTw),
         "x \xA5\xBC\xA7\xF3\xB7s: \xA4j\xA4p\xA4\xA3\xB2\xC5", TextCodePage::Big5},
        {"name tw", NotInstalledText("x", InstallResult::UnsafeName, kTw),
         "x \xA5\xBC\xA7\xF3\xB7s: \xC0\xC9\xA6W\xA4\xA3\xA6w\xA5\xFE", TextCodePage::Big5},
        {"write cn", NotInstalledText("x", InstallResult::NotWritten, kCn),
         "x \xCE\xB4\xB8\xFC\xD0\xC2: \xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB", TextCodePage::Gb2312},
        {"type tw", NotInstalledText("x", InstallResult::UnknownType, kTw),
         "x \xA5\xBC\xA7\xF3\xB7s: \xC3\xFE\xAB\xAC\xA4\xA3\xA9\xFA", TextCodePage::Big5},
        // 內容不符 / 内容不符
        {"content en", NotInstalledText("x", InstallResult::HashMismatch, kEn),
         "x not updated: content differs", TextCodePage::System},
        {"content tw", NotInstalledText("x", InstallResult::HashMismatch, kTw),
         "x \xA5\xBC\xA7\xF3\xB7s: \xA4\xBA\xAE\x65\xA4\xA3\xB2\xC5", TextCodePage::Big5},
        {"content cn", NotInstalledText("x", InstallResult::HashMismatch, kCn),
         "x \xCE\xB4\xB8\xFC\xD0\xC2: \xC4\xDA\xC8\xDD\xB2\xBB\xB7\xFB", TextCodePage::Gb2312},
    });
}
