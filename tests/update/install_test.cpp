#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "core/exception.h"
#include "gz_data.h"
#include "pack_builder.h"
#include "temp_dir.h"
#include "trust/hex.h"
#include "trust/sha256.h"
#include "update/install.h"
#include "update/pack.h"
#include "update/program_path.h"

namespace fs = std::filesystem;
using update::InstallResult;
using update::Lines;

namespace {

// Serves the files of a folder; a name can be set to fail after writing part
// of it. Like the FTP downloader, it stops at maxBytes and deletes what it
// wrote when it fails.
class FolderDownloader : public update::IDownloader {
public:
    explicit FolderDownloader(fs::path folder) : folder_(std::move(folder)) {}

    void Download(const std::string& remoteName, const fs::path& localPath,
                  int64_t maxBytes) override {
        ++calls;
        lastMaxBytes = maxBytes;
        total_ = 0;
        const auto source = folder_ / remoteName;
        if (!fs::exists(source)) throw selvane::Exception("550 " + remoteName);
        std::string bytes = testutil::ReadFile(source);
        const bool fail = remoteName == failing;
        if (fail) bytes.resize(bytes.size() / 2);
        const bool capped = maxBytes >= 0 && bytes.size() > static_cast<uint64_t>(maxBytes);
        if (capped) bytes.resize(static_cast<size_t>(maxBytes));
        {
            std::ofstream out(localPath, std::ios::binary | std::ios::trunc);
            if (!out) throw selvane::Exception("cannot create local file");
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        total_ = static_cast<int64_t>(bytes.size());
        if (fail || capped) {
            fs::remove(localPath);
            throw selvane::Exception(fail ? "426 connection lost" : "more than announced");
        }
    }
    int64_t BytesTotal() const override { return total_; }

    int calls = 0;
    int64_t lastMaxBytes = 0;
    std::string failing;

private:
    fs::path folder_;
    int64_t total_ = 0;
};

// A program directory inside a sandbox, the server's folder beside it, and a
// gzip component set up as the update window sets up its own.
struct Fixture {
    Fixture() : server(sandbox.Path / "server"), downloader(server) {
        fs::create_directories(program);
        fs::create_directories(server);
        gz.DeleteSource = true;
        gz.OnErrorDialog = [this](const std::string& text, const fs::path& file) {
            dialogs.push_back(gzip::DialogText(text, file));
        };
    }
    void Serve(const std::string& name, const std::string& bytes) {
        testutil::WriteFile(server / name, bytes);
    }
    InstallResult Install(const std::string& entry) {
        update::InstallContext context{program, downloader, gz, local};
        return update::InstallEntry(entry, context);
    }
    // Every file under the sandbox outside the server folder, relative to the sandbox.
    std::vector<std::string> Written() const {
        std::vector<std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(sandbox.Path)) {
            const auto rel = fs::relative(e.path(), sandbox.Path).generic_string();
            if (e.is_regular_file() && rel.rfind("server/", 0) != 0) files.push_back(rel);
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    testutil::TempDir sandbox;
    fs::path program = sandbox.Path / "game";
    fs::path server;
    FolderDownloader downloader;
    gzip::TGzipFile gz;
    Lines local = {"AVWSEN", ""};
    std::vector<std::string> dialogs;
};

std::string Sized(const std::string& head, const std::string& bytes) {
    return head + " " + std::to_string(bytes.size());
}

std::string HashField(const std::string& bytes) {
    return "sha256=" + trust::ToHex(trust::Sha256Of(bytes));
}

}  // namespace

TEST(InstallEntry, TypeEDecompressesDeletesTheDownloadAndRecords) {
    Fixture f;
    const std::string text = testutil::SampleText(20000);
    const std::string gz = testutil::GzipMember(text);
    f.Serve("x.gz", gz);
    EXPECT_EQ(f.Install(Sized("E x.gz data\\x.dat 0002", gz)), InstallResult::Installed);
    EXPECT_EQ(testutil::ReadFile(f.program / "data" / "x.dat"), text);
    EXPECT_EQ(f.Written(), std::vector<std::string>{"game/data/x.dat"});
    EXPECT_EQ(f.local, (Lines{"AVWSEN", "", "data\\x.dat 0002"}));

    // The changed-file form replaces its own record line.
    const std::string gz3 = testutil::GzipMember("v3");
    f.Serve("x.gz", gz3);
    EXPECT_EQ(f.Install(Sized("U 2 E x.gz data\\x.dat 0003", gz3)), InstallResult::Installed);
    EXPECT_EQ(testutil::ReadFile(f.program / "data" / "x.dat"), "v3");
    EXPECT_EQ(f.local, (Lines{"AVWSEN", "", "data\\x.dat 0003"}));
    EXPECT_TRUE(f.dialogs.empty());
}

TEST(InstallEntry, FailuresKeepTheInstalledFileAndRecordNothing) {
    const std::string good = testutil::GzipMember("new contents");
    std::string badCrc = good;
    badCrc[badCrc.size() - 8] ^= 1;
    struct Case {
        const char* what;
        std::string served;  // served as "r"
        std::string entry;
        InstallResult result;
        std::vector<std::string> written;  // besides the installed file
        int downloads = 1;
    };
    const auto size = [](const std::string& b) { return std::to_string(b.size()); };
    const Case cases[] = {
        {"E, size one byte off: the download stays",
         good,
         "E r t 2 " + std::to_string(good.size() + 1),
         InstallResult::SizeMismatch,
         {"game/r"}},
        {"E, damaged CRC", badCrc, "E r t 2 " + size(badCrc), InstallResult::NotWritten, {}},
        {"C, damaged CRC", badCrc, "C r t 2 " + size(badCrc), InstallResult::NotWritten, {}},
        {"O, size one byte off", "raw", "O r t 2 4", InstallResult::SizeMismatch, {}},
        {"lower-case type", good, "e r t 2 " + size(good), InstallResult::UnknownType, {}, 0},
        {"O, negative size: nothing fetched",
         "raw",
         "O r t 2 -3",
         InstallResult::SizeMismatch,
         {},
         0},
        // The download's name is the installed file's own.
        {"E t t, damaged CRC", badCrc, "E t t 2 " + size(badCrc), InstallResult::NotWritten, {}},
        {"E t t, size one byte off",
         good,
         "E t t 2 " + std::to_string(good.size() + 1),
         InstallResult::SizeMismatch,
         {}},
        // Served bytes of the right size that are not the ones the list names:
        // nothing is unpacked, and the download is not kept.
        {"E, other bytes of the right size",
         badCrc,
         "E r t 2 " + size(badCrc) + " " + HashField(good),
         InstallResult::HashMismatch,
         {}},
        {"C, other bytes of the right size",
         badCrc,
         "C r t 2 " + size(badCrc) + " " + HashField(good),
         InstallResult::HashMismatch,
         {}},
        {"O, other bytes of the right size",
         "raw",
         "U 1 O r t 2 3 " + HashField("RAW"),
         InstallResult::HashMismatch,
         {}},
        {"O, a hash that is no SHA-256: nothing fetched",
         "raw",
         "O r t 2 3 sha256=" + trust::ToHex(trust::Sha256Of("raw")).substr(2),
         InstallResult::HashMismatch,
         {},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        testutil::WriteFile(f.program / "t", "installed");
        f.Serve("r", c.served);
        f.Serve("t", c.served);
        EXPECT_EQ(f.Install(c.entry), c.result);
        EXPECT_EQ(testutil::ReadFile(f.program / "t"), "installed");
        auto expected = c.written;
        expected.push_back("game/t");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(f.Written(), expected);
        EXPECT_EQ(f.local, (Lines{"AVWSEN", ""}));
        EXPECT_EQ(f.downloader.calls, c.downloads);
    }
}

TEST(InstallEntry, ANamedSha256ThatMatchesInstallsAsWithoutOne) {
    const std::string text = testutil::SampleText(5000);
    const std::string gz = testutil::GzipMember(text);
    const std::string pack = testutil::GzipMember(testutil::MakePack({{"p\\a.txt", "pa"}}));
    std::string upper = HashField(gz);
    std::transform(upper.begin() + 7, upper.end(), upper.begin() + 7, ::toupper);
    Fixture f;
    f.Serve("x.gz", gz);
    f.Serve("o.bin", text);
    f.Serve("p.gz", pack);
    // Fields after the size that this program does not know are passed over.
    EXPECT_EQ(f.Install(Sized("E x.gz x.dat 1", gz) + " later=1 " + HashField(gz)),
              InstallResult::Installed);
    EXPECT_EQ(f.Install(Sized("O o.bin o.bin 1", text) + " " + HashField(text)),
              InstallResult::Installed);
    EXPECT_EQ(f.Install(Sized("C p.gz p.pak 1", pack) + " " + HashField(pack)),
              InstallResult::Installed);
    EXPECT_EQ(f.Install(Sized("U 2 E x.gz x.dat 2", gz) + " " + upper), InstallResult::Installed);
    EXPECT_EQ(testutil::ReadFile(f.program / "x.dat"), text);
    EXPECT_EQ(testutil::ReadFile(f.program / "o.bin"), text);
    EXPECT_EQ(testutil::ReadFile(f.program / "p" / "a.txt"), "pa");
    EXPECT_EQ(f.local, (Lines{"AVWSEN", "", "x.dat 2", "o.bin 1", "p.pak 1"}));
}

TEST(InstallEntry, TypeOCreatesTwoLevelsAndReplacesOnlyWhenComplete) {
    Fixture f;
    f.Serve("o.bin", "payload");
    EXPECT_EQ(f.Install("O o.bin a\\b\\o.bin 1 7"), InstallResult::Installed);
    EXPECT_EQ(testutil::ReadFile(f.program / "a" / "b" / "o.bin"), "payload");
    EXPECT_EQ(f.local.back(), "a\\b\\o.bin 1");

    // A download that breaks off raises and leaves the installed file alone.
    f.Serve("o.bin", "payload two");
    f.downloader.failing = "o.bin";
    EXPECT_THROW(f.Install("O o.bin a\\b\\o.bin 2 11"), selvane::Exception);
    EXPECT_EQ(testutil::ReadFile(f.program / "a" / "b" / "o.bin"), "payload");
    EXPECT_EQ(f.Written(), std::vector<std::string>{"game/a/b/o.bin"});

    // A size that is not a number raises before the download, which it would cap.
    f.downloader.failing.clear();
    EXPECT_THROW(f.Install("O o.bin a\\b\\o.bin 2 eleven"), selvane::Exception);
    EXPECT_EQ(f.downloader.calls, 2);
    EXPECT_EQ(f.local.size(), 3u);
}

TEST(InstallEntry, TheAnnouncedSizeCapsTheDownload) {
    for (const char* entry : {"O r t 2 3", "E r t 2 3", "C r t 2 3", "U 1 O r t 2 3"}) {
        SCOPED_TRACE(entry);
        Fixture f;
        testutil::WriteFile(f.program / "t", "installed");
        f.Serve("r", "endless data");
        EXPECT_THROW(f.Install(entry), selvane::Exception);
        EXPECT_EQ(f.downloader.lastMaxBytes, 3);
        EXPECT_EQ(f.Written(), std::vector<std::string>{"game/t"});
        EXPECT_EQ(f.local, (Lines{"AVWSEN", ""}));
    }
}

// The finished file cannot take its name: a folder holds it, or the folder
// it belongs in is a file. Type E says so in the gzip component's words with
// the target's name, type O raises; neither records anything.
TEST(InstallEntry, AFileThatCannotBePutInPlaceIsNeitherKeptNorRecorded) {
    const std::string gz = testutil::GzipMember("contents");
    struct Case {
        const char* what;
        std::string entry;
        const char* blocker;  // a file written beforehand, relative to the sandbox
        fs::path shown;       // type E: the name in the dialog, under the program directory
    };
    const Case cases[] = {
        {"E, a folder has the name", Sized("E x.gz t 2", gz), "game/t/inside", "t"},
        {"E, the folder is a file", Sized("E x.gz f\\t 2", gz), "game/f", fs::path("f") / "t"},
        {"O, a folder has the name", Sized("O x.gz t 2", gz), "game/t/inside", {}},
        {"O, the folder is a file", Sized("O x.gz f\\t 2", gz), "game/f", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        f.Serve("x.gz", gz);
        testutil::WriteFile(f.sandbox.Path / c.blocker, "mine");
        if (!c.shown.empty()) {
            EXPECT_EQ(f.Install(c.entry), InstallResult::NotWritten);
            EXPECT_EQ(f.dialogs, std::vector<std::string>{
                                     gzip::DialogText("Can't create: ", f.program / c.shown)});
        } else {
            EXPECT_THROW(f.Install(c.entry), selvane::Exception);
        }
        EXPECT_EQ(f.Written(), std::vector<std::string>{c.blocker});
        EXPECT_EQ(testutil::ReadFile(f.sandbox.Path / c.blocker), "mine");
        EXPECT_EQ(f.local, (Lines{"AVWSEN", ""}));
    }
}

// A pack is recorded only when every entry it may write was written; slots it
// refuses do not hold it back.
TEST(InstallEntry, APackWithAnEntryNotWrittenIsNotRecorded) {
    struct Case {
        const char* what;
        std::vector<testutil::PackItem> items;
        InstallResult result;
    };
    const Case cases[] = {
        {"an entry's name is taken by a folder",
         {{"a.txt", "1"}, {"d", "2"}},
         InstallResult::NotWritten},
        {"a refused slot", {{"a.txt", "1"}, {"..\\up.txt", "2"}}, InstallResult::Installed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        testutil::WriteFile(f.program / "d" / "inside", "mine");
        const std::string gz = testutil::GzipMember(testutil::MakePack(c.items));
        f.Serve("pack.gz", gz);
        EXPECT_EQ(f.Install(Sized("C pack.gz p.pak 7", gz)), c.result);
        EXPECT_EQ(f.Written(), (std::vector<std::string>{"game/a.txt", "game/d/inside"}));
        EXPECT_EQ(f.local.size(), c.result == InstallResult::Installed ? 3u : 2u);
    }
}

TEST(InstallEntry, TypeCUnpacksThePackIntoTheProgramDirectory) {
    struct Case {
        const char* what;
        std::vector<testutil::PackItem> items;
        bool reversed;
    };
    std::vector<testutil::PackItem> hundred;
    for (int i = 1; i <= 100; ++i)
        hundred.push_back({std::string("f").append(std::to_string(i)),
                           std::string("contents ").append(std::to_string(i))});
    hundred.back().name = std::string("deep\\").append(75, 'n');  // 80 characters
    const Case cases[] = {
        {"three entries stored in reverse order",
         {{"p\\one.txt", "1111"}, {"p\\q\\two.txt", "22"}, {"three.txt", "333333"}},
         true},
        {"count 0", {}, false},
        {"100 entries, the last with an 80-character name", hundred, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        const std::string gz = testutil::GzipMember(testutil::MakePack(c.items, c.reversed));
        f.Serve("pack.gz", gz);
        EXPECT_EQ(f.Install(Sized("C pack.gz sub\\pack.pak 7", gz)), InstallResult::Installed);
        std::vector<std::string> expected;
        for (const auto& item : c.items) {
            const auto path = update::NameToPath(f.program, item.name);
            ASSERT_TRUE(path);
            EXPECT_EQ(testutil::ReadFile(*path), item.contents) << item.name;
            const auto rel = fs::relative(*path, f.program).generic_string();
            expected.push_back(std::string("game/").append(rel));
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(f.Written(), expected);  // neither the download nor the pack is left
        EXPECT_EQ(f.local.back(), "sub\\pack.pak 7");
    }
}

TEST(InstallEntry, NamesThatLeaveTheProgramDirectoryAreRefused) {
    const char* const hostile[] = {
        "..\\evil",
        "a\\..\\..\\evil",
        "\\evil",
        "C:\\evil",
        "c:evil",
        "a\\\\b",
        "a\\",
        "a/../../evil",
        "a:b",
        "...\\evil",
        "aux",
        "data\\CONOUT$",
        "conin$.txt",
        "a\\Clock$",
        // the run's own files and their temporary files
        "update2.dat",
        "UPDATE3.DAT",
        ".\\isp0.dat",
        "isp1.dat.",
        "update2.dat.~12-3",
#ifndef _WIN32
        "/tmp/evil",
#endif
    };
    const std::string gz = testutil::GzipMember("x");
    for (const char* name : hostile) {
        for (const char* form : {"E r %", "E % t", "O r %", "C r %", "C % t", "U 1 O r %"}) {
            std::string entry = form;
            entry.replace(entry.find('%'), 1, name);
            SCOPED_TRACE(entry);
            Fixture f;
            f.Serve("r", gz);
            EXPECT_EQ(f.Install(entry + " 1 " + std::to_string(gz.size())),
                      InstallResult::UnsafeName);
            EXPECT_EQ(f.downloader.calls, 0);
            EXPECT_TRUE(f.Written().empty());
            EXPECT_EQ(f.local, (Lines{"AVWSEN", ""}));
        }
    }
}

TEST(NameToPath, JoinsBackslashComponentsUnderTheProgramDirectory) {
    const fs::path base = fs::path("base");
    EXPECT_EQ(update::NameToPath(base, "a\\b\\c.dat"), base / "a" / "b" / "c.dat");
    EXPECT_EQ(update::NameToPath(base, ".\\x"), base / "." / "x");
    EXPECT_EQ(update::NameToPath(base, "a..b"), base / "a..b");
    EXPECT_FALSE(update::NameToPath(base, ". .\\x"));
    for (const char* bad : {"", "..", "a\\..", "x\\:y", "NUL", "a\\con.txt", "Com1", "lpt9.x",
                            "CONIN$", "x\\conout$.log", "Clock$"})
        EXPECT_FALSE(update::NameToPath(base, bad)) << bad;
    EXPECT_FALSE(update::NameToPath(base, std::string_view("a\0b", 3)));
}

TEST(ExtractPack, BadSlotsAreSkippedAndTheRestIsWritten) {
    using testutil::RawSlot;
    testutil::TempDir dir;
    const fs::path program = dir.Path / "game";
    fs::create_directories(program);
    const std::string data = "0123456789";
    const int32_t tooFar = static_cast<int32_t>(data.size() + update::kPackDirectorySize + 1);
    const std::vector<RawSlot> slots = {
        {0, 3, 5, "a.txt"},       // fine: 012
        {5, 2, 5, "b.txt"},       // reversed
        {-1, 2, 5, "c.txt"},      // negative start
        {0, tooFar, 5, "d.txt"},  // past the end of the file
        {3, 3, 5, "e.txt"},       // empty contents: an empty file
        {0, 2, 81, "f.txt"},      // name longer than a slot holds
        {0, 2, 9, "..\\g.txt"},   // leaves the program directory
        {0, 2, 0, ""},            // no name
        {7, 10, 5, "h.txt"},      // fine: 789
    };
    testutil::WriteFile(dir.Path / "p.pak", data + testutil::PackDirectory(9, slots));
    const auto result = update::ExtractPack(dir.Path / "p.pak", program);
    EXPECT_EQ(result.Written, 3);
    EXPECT_EQ(result.Skipped, 6);
    EXPECT_EQ(testutil::ReadFile(program / "a.txt"), "012");
    EXPECT_EQ(testutil::ReadFile(program / "h.txt"), "789");
    EXPECT_EQ(std::distance(fs::directory_iterator(program), {}), 3);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path), {}), 2);
}

TEST(ExtractPack, ShortMissingAndOverfullPacksRaise) {
    testutil::TempDir dir;
    const fs::path program = dir.Path / "game";
    fs::create_directories(program);
    EXPECT_THROW(update::ExtractPack(dir.Path / "none.pak", program), selvane::Exception);

    testutil::WriteFile(dir.Path / "short.pak", std::string(update::kPackDirectorySize - 1, '\1'));
    EXPECT_THROW(update::ExtractPack(dir.Path / "short.pak", program), selvane::Exception);
    EXPECT_TRUE(fs::is_empty(program));

    // A count of 101 writes the 100 entries there are, then raises.
    std::vector<testutil::RawSlot> slots;
    for (int i = 1; i <= 100; ++i) slots.push_back({0, 1, 3, std::to_string(100 + i)});
    testutil::WriteFile(dir.Path / "full.pak", "x" + testutil::PackDirectory(101, slots));
    EXPECT_THROW(update::ExtractPack(dir.Path / "full.pak", program), selvane::Exception);
    EXPECT_EQ(std::distance(fs::directory_iterator(program), {}), 100);
}
