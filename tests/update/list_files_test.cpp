#include <gtest/gtest.h>

#include "core/exception.h"
#include "temp_dir.h"
#include "update/file_util.h"
#include "update/line_field.h"
#include "update/text_lines.h"
#include "update/todo_list.h"

using update::Lines;

TEST(LineField, CutsRunsOfNonBlanks) {
    struct Case {
        const char* line;
        int n;
        const char* field;
    };
    const Case cases[] = {
        {"  a   b ", 1, "a"},
        {"  a   b ", 2, "b"},
        {"  a   b ", 3, ""},
        {"one\ttwo three", 1, "one\ttwo"},  // only 0x20 separates
        {"one\ttwo three", 2, "three"},
        {"E data\\x.dat.gz data\\x.dat 0002 123", 5, "123"},
        {"E data\\x.dat.gz data\\x.dat 0002 123", 6, ""},
        {"", 1, ""},
        {"     ", 1, ""},
        {"last", 1, "last"},
        {"x", 0, ""},
        {"x", -3, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(update::LineField(c.line, c.n), c.field) << '"' << c.line << "\" n=" << c.n;
}

// Ports, time-outs, sizes and record lines: 32-bit decimal or an error.
TEST(LineField, StrToIntTakesOnly32BitDecimals) {
    const std::pair<const char*, int32_t> valid[] = {
        {"0", 0},
        {"+7", 7},
        {"-12", -12},
        {"0021", 21},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& [text, value] : valid) EXPECT_EQ(update::StrToInt(text), value) << text;
    for (const char* text : {"", "-", "+", " 1", "1 ", "0x10", "1e3", "2147483648", "-2147483649",
                             "99999999999999999999", "12a"})
        EXPECT_THROW(update::StrToInt(text), selvane::Exception) << text;
}

TEST(TextLines, SplitsAtEveryKindOfLineEnd) {
    struct Case {
        std::string text;
        Lines lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"\r\n", {""}},
        {"\n\r", {"", ""}},  // LF then a lone CR: two empty lines
        {"\r\r\n\n", {"", "", ""}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {std::string("x\0y\n", 4), {std::string("x\0y", 3)}},
    };
    for (const auto& c : cases) EXPECT_EQ(update::SplitLines(c.text), c.lines) << c.text;
}

TEST(TextLines, SaveWritesCrLfAfterEveryLineAndLoadsBack) {
    testutil::TempDir dir;
    const auto file = dir.Path / "update2.dat";
    testutil::WriteFile(file, "old content that is longer than the new one\r\n");

    const Lines lines = {"AVWSEN", "", "data\\x.dat 0002"};
    update::SaveLines(file, lines);
    EXPECT_EQ(testutil::ReadFile(file), "AVWSEN\r\n\r\ndata\\x.dat 0002\r\n");
    EXPECT_EQ(update::LoadLines(file), lines);
    // Nothing but the list is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path), {}), 1);

    update::SaveLines(file, {});
    EXPECT_EQ(testutil::ReadFile(file), "");
    EXPECT_TRUE(update::LoadLines(file).empty());
}

TEST(TextLines, FailedSaveKeepsTheOldListAndMissingListRaises) {
    testutil::TempDir dir;
    EXPECT_THROW(update::LoadLines(dir.Path / "update3.dat"), selvane::Exception);

    // The new list cannot be put in place (a folder holds the name): what was
    // there stays, and no temporary file is left beside it.
    const auto file = dir.Path / "update2.dat";
    testutil::WriteFile(file / "old", "AVWSEN\r\nold 1\r\n");
    EXPECT_THROW(update::SaveLines(file, {"AVWSEN", "new 2"}), selvane::Exception);
    EXPECT_EQ(testutil::ReadFile(file / "old"), "AVWSEN\r\nold 1\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path), {}), 1);
}

namespace {

const char* const kHeader = "remote header";

Lines Remote(std::initializer_list<const char*> entries) {
    Lines lines = {kHeader};
    lines.insert(lines.end(), entries.begin(), entries.end());
    return lines;
}

}  // namespace

TEST(BuildToDoList, ComparesByNameAndVersion) {
    const char* const entry = "E data\\x.dat.gz data\\x.dat 0002 100";
    struct Case {
        const char* what;
        Lines remote;
        Lines local;
        Lines entries;
        Lines names;
    };
    const Case cases[] = {
        {"newer version, name differs in case only",
         Remote({entry}),
         {"AVWSEN", "", "other 1", "DATA\\X.DAT 0001"},
         {"U 3 E data\\x.dat.gz data\\x.dat 0002 100"},
         {"data\\x.dat"}},
        {"same version", Remote({entry}), {"AVWSEN", "data\\x.dat 0002"}, {}, {}},
        {"older remote version: never downgrades",
         Remote({entry}),
         {"AVWSEN", "data\\x.dat 0003"},
         {},
         {}},
        {"10 is smaller than 9 as bytes", Remote({"O a a 10 5"}), {"AVWSEN", "a 9"}, {}, {}},
        {"longer version with equal prefix is greater",
         Remote({"O a a 0010 5"}),
         {"AVWSEN", "a 001"},
         {"U 1 O a a 0010 5"},
         {"a"}},
        {"high bytes compare unsigned",
         Remote({"O a a \xb0 5"}),
         {"AVWSEN", "a z"},
         {"U 1 O a a \xb0 5"},
         {"a"}},
        {"letters beyond A-Z are not folded",
         Remote({"O \xc4 \xc4 2 5"}),
         {"AVWSEN", "\xe4 1"},
         {"O \xc4 \xc4 2 5"},
         {"\xc4"}},
        {"first matching record decides", Remote({"O a a 2 5"}), {"AVWSEN", "A 3", "a 1"}, {}, {}},
        {"header-only local list: every entry is new",
         Remote({"E r1 t1 1 1", "O r2 t2 1 1", "C r3 t3 1 1"}),
         {"AVWSEN"},
         {"E r1 t1 1 1", "O r2 t2 1 1", "C r3 t3 1 1"},
         {"t1", "t2", "t3"}},
        {"local list without lines: nothing", Remote({"E r1 t1 1 1"}), {}, {}, {}},
        {"remote header only", Remote({}), {"AVWSEN", "a 1"}, {}, {}},
        {"same target twice in the remote list",
         Remote({"O a t 2 1", "O b t 3 1"}),
         {"AVWSEN", "t 1"},
         {"U 1 O a t 2 1", "U 1 O b t 3 1"},
         {"t", "t"}},
        {"headers take no part", {"x t 9 9", "O r t 1 1"}, {"t 0", "u 0"}, {"O r t 1 1"}, {"t"}},
    };
    for (const auto& c : cases) {
        Lines local = c.local;
        const auto todo = update::BuildToDoList(c.remote, local);
        EXPECT_EQ(todo.Entries, c.entries) << c.what;
        EXPECT_EQ(todo.Names, c.names) << c.what;
    }
}

TEST(BuildToDoList, HeaderOnlyLocalListGainsAnEmptyLineOne) {
    Lines local = {"AVWSEN"};
    update::BuildToDoList(Remote({}), local);
    EXPECT_EQ(local, (Lines{"AVWSEN", ""}));

    Lines two = {"AVWSEN", "a 1"};
    update::BuildToDoList(Remote({}), two);
    EXPECT_EQ(two.size(), 2u);
}
