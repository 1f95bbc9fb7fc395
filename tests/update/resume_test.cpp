// Resuming an interrupted download, and replacing the running program's file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/exception.h"
#include "temp_dir.h"
#include "update/resume.h"
#include "update/self_update.h"

namespace fs = std::filesystem;

namespace {

// Serves one file; can stop after a number of bytes (keeping them, as the
// FTP downloader's Resume does) and can refuse to restart.
class OneFileServer : public update::IDownloader {
public:
    explicit OneFileServer(std::string bytes) : bytes_(std::move(bytes)) {}

    void Download(const std::string&, const fs::path& localPath, int64_t) override {
        Write(localPath, 0, false);
    }
    void Resume(const std::string&, const fs::path& localPath, int64_t offset, int64_t) override {
        offsets.push_back(offset);
        Write(localPath, restarts ? offset : 0, restarts && offset > 0);
    }
    int64_t BytesTotal() const override { return total_; }

    bool restarts = true;
    size_t stopAfter = std::string::npos;  // bytes of one transfer
    std::vector<int64_t> offsets;

private:
    void Write(const fs::path& file, int64_t from, bool append) {
        std::string part = bytes_.substr(static_cast<size_t>(from));
        const bool stop = part.size() > stopAfter;
        if (stop) part.resize(stopAfter);
        std::string kept = append ? testutil::ReadFile(file) : "";
        testutil::WriteFile(file, kept + part);
        total_ = static_cast<int64_t>(kept.size() + part.size());
        if (stop) throw selvane::Exception("426 connection lost");
    }
    std::string bytes_;
    int64_t total_ = 0;
};

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 13 + i / 7);
    return s;
}

TEST(Resume, AnInterruptedDownloadGoesOnOnlyForTheSameEntry) {
    const std::string whole = Bytes(10000);
    struct Case {
        const char* name;
        update::ResumableEntry retry;  // the entry on the second try
        bool restarts;
        int64_t offset;  // asked for on the second try
    };
    const update::ResumableEntry first{"a.gz", "0002", 10000};
    const Case cases[] = {
        {"same entry", first, true, 4000},
        {"the server does not restart: the whole file", first, false, 4000},
        {"new version", {"a.gz", "0003", 10000}, true, 0},
        {"new size", {"a.gz", "0002", 10001}, true, 0},
        {"new remote name", {"b.gz", "0002", 10000}, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir dir;
        const fs::path file = dir.Path / "a.gz", into = dir.Path / "a.gz.tmp";
        OneFileServer server(whole);
        server.stopAfter = 4000;
        EXPECT_THROW(update::DownloadResumable(server, first, file, into), selvane::Exception);
        EXPECT_FALSE(fs::exists(into));
        EXPECT_EQ(fs::file_size(update::PartialPath(file)), 4000u);

        server.stopAfter = std::string::npos;
        server.restarts = c.restarts;
        update::DownloadResumable(server, c.retry, file, into);
        EXPECT_EQ(server.offsets.back(), c.offset);
        EXPECT_TRUE(testutil::ReadFile(into) == whole);
        EXPECT_EQ(server.BytesTotal(), 10000);
        // Nothing but the finished file is left.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path), fs::directory_iterator()), 1);
    }
}

TEST(Resume, APartialFileWithoutItsEntryOrNothingArrivedIsNotKept) {
    testutil::TempDir dir;
    const fs::path file = dir.Path / "a", into = dir.Path / "a.tmp";
    // A partial file the program left when it ended mid-download.
    testutil::WriteFile(update::PartialPath(file), "stale");
    OneFileServer server("fresh bytes");
    server.stopAfter = 0;
    EXPECT_THROW(update::DownloadResumable(server, {"a", "1", 11}, file, into), selvane::Exception);
    EXPECT_EQ(server.offsets, std::vector<int64_t>{0});
    // Only the caller's own temporary file may be there.
    for (const auto& e : fs::directory_iterator(dir.Path)) EXPECT_EQ(e.path(), into);
}

TEST(SelfUpdate, TheRunningFileMovesAsideAndGoesAtTheNextStart) {
    testutil::TempDir dir;
    const fs::path program = dir.Path / "Launcher.exe", fresh = dir.Path / "new.tmp";
    testutil::WriteFile(program, "old");
    testutil::WriteFile(fresh, "new");
    EXPECT_TRUE(update::SameFileName(dir.Path / "x" / ".." / "LAUNCHER.EXE", program));
    EXPECT_FALSE(update::SameFileName(dir.Path / "launcher.ex", program));

    ASSERT_TRUE(update::ReplaceRunningProgram(fresh, program));
    EXPECT_EQ(testutil::ReadFile(program), "new");
    EXPECT_EQ(testutil::ReadFile(dir.Path / "Launcher.exe.~old"), "old");
    EXPECT_FALSE(fs::exists(fresh));

    // Replaced again: the old copy of the first replacement goes first.
    testutil::WriteFile(fresh, "newer");
    ASSERT_TRUE(update::ReplaceRunningProgram(fresh, program));
    EXPECT_EQ(testutil::ReadFile(dir.Path / "Launcher.exe.~old"), "new");

    testutil::WriteFile(dir.Path / "launcher.exe.~OLD1", "old too");
    testutil::WriteFile(dir.Path / "other.exe.~old", "not ours");
    testutil::WriteFile(update::PartialPath(program), "a download of the next version");
    update::RemoveOldProgramFiles(program);
    EXPECT_FALSE(fs::exists(dir.Path / "Launcher.exe.~old"));
    EXPECT_FALSE(fs::exists(dir.Path / "launcher.exe.~OLD1"));
    EXPECT_TRUE(fs::exists(dir.Path / "other.exe.~old"));
    EXPECT_TRUE(fs::exists(update::PartialPath(program)));
    EXPECT_EQ(testutil::ReadFile(program), "newer");
}

}  // namespace
