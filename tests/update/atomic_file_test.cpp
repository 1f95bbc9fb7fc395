// The atomic replace every written file of the programs goes through.

#include <gtest/gtest.h>

#include "core/atomic_file.h"
#include "core/exception.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

size_t FilesIn(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

}  // namespace

TEST(AtomicFile, CommitReplacesAndEveryOtherEndLeavesTheTargetAlone) {
    struct Case {
        const char* what;
        bool writeTemp, commit;
        bool targetIsFolder;  // a folder holding a file has the target's name
        bool committed;
        const char* after;  // target's contents afterwards
    };
    const Case cases[] = {
        {"written and committed", true, true, false, true, "new"},
        {"written, never committed", true, false, false, false, "old"},
        {"committed without a temporary file", false, true, false, false, "old"},
        {"the name is taken by a folder", true, true, true, false, "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::TempDir dir;
        const fs::path target = dir.Path / "update2.dat";
        const fs::path kept = c.targetIsFolder ? target / "inside" : target;
        testutil::WriteFile(kept, "old");
        {
            selvane::PendingReplace replace(target);
            EXPECT_EQ(replace.TempPath().parent_path(), target.parent_path());
            if (c.writeTemp) testutil::WriteFile(replace.TempPath(), "new");
            if (c.commit) {
                EXPECT_EQ(replace.Commit(), c.committed);
            }
        }
        EXPECT_EQ(testutil::ReadFile(kept), c.after);
        EXPECT_EQ(FilesIn(dir.Path), 1u);  // no temporary file left
    }
}

TEST(AtomicFile, TemporaryNamesAreUniqueAndRecognised) {
    const fs::path target = fs::path("game") / "update2.dat";
    const selvane::PendingReplace a(target), b(target);
    EXPECT_NE(a.TempPath(), b.TempPath());
    EXPECT_TRUE(selvane::IsTempNameFor(a.TempPath().filename(), "update2.dat"));
    EXPECT_TRUE(selvane::IsTempNameFor(b.TempPath().filename(), "UPDATE2.DAT"));
    EXPECT_TRUE(selvane::IsTempNameFor("Update2.Dat.~7-1", "update2.dat"));
    for (const char* other : {"update2.dat", "update2.dat.~", "update2.dat.bak", "update3.dat.~7-1",
                              "xupdate2.dat.~7-1"})
        EXPECT_FALSE(selvane::IsTempNameFor(other, "update2.dat")) << other;
}

TEST(AtomicFile, WriteFileAtomicallyRaisesAndKeepsTheOldFile) {
    testutil::TempDir dir;
    const fs::path file = dir.Path / "sinfo.txt";
    selvane::WriteFileAtomically(file, "FullScreen\r\n");
    selvane::WriteFileAtomically(file, "WindowScreen\r\n");
    EXPECT_EQ(testutil::ReadFile(file), "WindowScreen\r\n");
    EXPECT_THROW(selvane::WriteFileAtomically(dir.Path / "missing" / "sinfo.txt", "x"),
                 selvane::Exception);
    EXPECT_EQ(FilesIn(dir.Path), 1u);
}
