#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/end_process.h"
#include "gz_data.h"
#include "gzip/gzip_file.h"
#include "temp_dir.h"

namespace {

struct Dialogs {
    std::vector<std::string> shown;
    void Attach(gzip::GzipFileBase& gz) {
        gz.OnErrorDialog = [this](const std::string& text, const std::filesystem::path& file) {
            shown.push_back(gzip::DialogText(text, file));
        };
    }
};

std::unique_ptr<gzip::GzipFileBase> Make(bool updater) {
    if (updater) return std::make_unique<gzip::TUpdaterGzipFile>();
    return std::make_unique<gzip::TGzipFile>();
}

std::string Name(const std::filesystem::path& p) { return gzip::DialogText("", p); }

}  // namespace

TEST(GzipFile, UnpacksGoodAndFaultyData) {
    const std::string text = testutil::SampleText(100000);
    const std::string member = testutil::GzipMember(text);
    const std::string second = testutil::SampleText(5000, 7);
    auto damaged = [&](size_t fromEnd) {
        std::string bytes = member;
        bytes[bytes.size() - fromEnd] ^= 0x55;
        return bytes;
    };
    struct Case {
        const char* what;
        std::string source;
        std::string expected;  // destination contents
        bool complete;
        size_t lost = 0;  // faulty data: at most this many bytes missing from the end
    };
    const Case cases[] = {
        {"one member", member, text, true},
        {"two members read as one stream", member + testutil::GzipMember(second), text + second,
         true},
        {"plain file passed through", "not gzip at all\r\n", "not gzip at all\r\n", true},
        {"empty source", "", "", true},
        // zlib holds back the block before a bad trailer.
        {"damaged trailer CRC", damaged(8), text, false, 16384},
        {"damaged trailer length", damaged(1), text, false, 16384},
        {"truncated", member.substr(0, member.size() - 20), text, false, text.size()},
        {"corrupt data", damaged(member.size() / 2), "", false, 0},
    };
    for (const bool updater : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (updater ? " (updater)" : " (launcher)"));
            testutil::TempDir dir;
            const auto source = dir.Path / "x.gz";
            const auto dest = dir.Path / "x.dat";
            testutil::WriteFile(source, c.source);
            auto gz = Make(updater);
            Dialogs dialogs;
            dialogs.Attach(*gz);
            gz->FileSource = source;
            gz->FileDestination = dest;
            gz->DeleteSource = true;

            EXPECT_EQ(gz->Gunzip(), 0);
            EXPECT_EQ(gz->OutputComplete(), c.complete);
            EXPECT_FALSE(std::filesystem::exists(source));
            const std::string out = testutil::ReadFile(dest);
            if (c.complete) {
                EXPECT_EQ(out, c.expected);
                EXPECT_TRUE(dialogs.shown.empty());
            } else {
                if (!c.expected.empty()) {
                    EXPECT_EQ(out, c.expected.substr(0, out.size()));
                    EXPECT_LE(c.expected.size() - out.size(), c.lost);
                }
                EXPECT_EQ(dialogs.shown, std::vector<std::string>{"gzclose Error."});
            }
        }
    }
}

TEST(GzipFile, OpenAndCreateFailures) {
    for (const bool updater : {false, true}) {
        testutil::TempDir dir;
        auto gz = Make(updater);
        Dialogs dialogs;
        dialogs.Attach(*gz);
        gz->DeleteSource = true;

        gz->FileSource = dir.Path / "missing.gz";
        gz->FileDestination = dir.Path / "out.dat";
        EXPECT_EQ(gz->Gunzip(), 1);
        EXPECT_FALSE(std::filesystem::exists(gz->FileDestination));

        gz->FileSource = dir.Path / "x.gz";
        testutil::WriteFile(gz->FileSource, testutil::GzipMember("abc"));
        gz->FileDestination = dir.Path / "no-dir" / "out.dat";
        EXPECT_EQ(gz->Gunzip(), 2);
        EXPECT_TRUE(std::filesystem::exists(gz->FileSource));
        EXPECT_FALSE(gz->OutputComplete());

        EXPECT_EQ(dialogs.shown,
                  (std::vector<std::string>{"Can't open: " + Name(dir.Path / "missing.gz"),
                                            "Can't create: " + Name(gz->FileDestination)}));

        // Without WindowOnError the same paths are silent.
        gz->WindowOnError = false;
        EXPECT_EQ(gz->Gunzip(), 2);
        EXPECT_EQ(dialogs.shown.size(), 2u);
    }
}

TEST(GzipFile, ProgressCountsDecompressedBytesAgainstTheCompressedSize) {
    testutil::TempDir dir;
    const std::string text = testutil::SampleText(3000);
    const std::string member = testutil::GzipMember(text);
    ASSERT_LT(member.size(), 3000u);
    testutil::WriteFile(dir.Path / "x.gz", member);

    gzip::TGzipFile gz;
    gz.FileSource = dir.Path / "x.gz";
    gz.FileDestination = dir.Path / "x.dat";
    gz.ProgressStep = 10;
    std::vector<int> seen;
    gz.OnProgress = [&](gzip::GzipFileBase& sender) { seen.push_back(sender.Progress); };
    EXPECT_EQ(gz.Gunzip(), 0);
    const int expected = static_cast<int>(3000.0 / static_cast<double>(member.size()) * 100.0);
    EXPECT_EQ(seen, (std::vector<int>{0, expected}));
    EXPECT_GT(expected, 100);

    seen.clear();
    gz.ProgressStep = 0;
    gz.Gunzip();
    EXPECT_TRUE(seen.empty());
}

#ifndef _WIN32
namespace {
int g_exitCode = -1;
void RecordExit(int code) { g_exitCode = code; }
}  // namespace

// /dev/full accepts the buffered writes and fails when they are flushed: a full
// disk. That is a short output, not a reason to end the program.
TEST(GzipFile, AFullDestinationIsAShortOutputWithoutDialog) {
    const auto previous = gzip::SetExitFunction(RecordExit);
    for (const bool updater : {false, true}) {
        SCOPED_TRACE(updater ? "updater" : "launcher");
        testutil::TempDir dir;
        testutil::WriteFile(dir.Path / "x.gz", testutil::GzipMember("small"));
        auto gz = Make(updater);
        Dialogs dialogs;
        dialogs.Attach(*gz);
        gz->FileSource = dir.Path / "x.gz";
        gz->FileDestination = "/dev/full";
        gz->DeleteSource = true;
        g_exitCode = -1;
        EXPECT_EQ(gz->Gunzip(), 0);
        EXPECT_EQ(g_exitCode, -1);
        EXPECT_FALSE(gz->OutputComplete());
        EXPECT_FALSE(std::filesystem::exists(dir.Path / "x.gz"));
        EXPECT_TRUE(dialogs.shown.empty());
    }
    gzip::SetExitFunction(previous);
}

// Files made by the system's gzip tool, several members in one file.
TEST(GzipFile, ReadsWhatTheGzipToolWrites) {
    testutil::TempDir dir;
    const std::string a = testutil::SampleText(70000, 3), b = testutil::SampleText(123, 4);
    testutil::WriteFile(dir.Path / "a", a);
    testutil::WriteFile(dir.Path / "b", b);
    const std::string d = dir.Path.string();
    const std::string cmd =
        "gzip -c '" + d + "/a' > '" + d + "/x.gz' && gzip -9c '" + d + "/b' >> '" + d + "/x.gz'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    gzip::TUpdaterGzipFile gz;
    gz.FileSource = dir.Path / "x.gz";
    gz.FileDestination = dir.Path / "x";
    EXPECT_EQ(gz.Gunzip(), 0);
    EXPECT_TRUE(gz.OutputComplete());
    EXPECT_EQ(testutil::ReadFile(dir.Path / "x"), a + b);
    EXPECT_TRUE(std::filesystem::exists(dir.Path / "x.gz"));  // DeleteSource false
}
#endif

// The close failure's end of the process runs no exit handler and no static
// destructor: it happens inside a window procedure.
TEST(EndProcess, EndsAtOnceWithTheCode) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atexit([] { std::fputs("exit handler ran", stderr); });
            selvane::EndProcess(3);
        },
        testing::ExitedWithCode(3), "^$");
}
