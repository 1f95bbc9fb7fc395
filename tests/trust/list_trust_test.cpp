// The game folder's side of signed lists: the sequence number kept in
// update2.seq is raised by an accepted list only, and never lowered.

#include <gtest/gtest.h>

#include "tests/update/temp_dir.h"
#include "trust/hex.h"
#include "update/list_trust.h"
#include "vectors.h"

namespace {

using trust::ListVerdict;

TEST(ListTrust, OnlyAnAcceptedListRaisesTheKeptSequence) {
    const auto key = trust::ParseP256PublicKey(vectors::kPublicKey);
    ASSERT_TRUE(key);
    constexpr int64_t kNow = 1800000000;
    struct Case {
        const char* Name;
        std::optional<std::string> Kept;  // update2.seq before; none: no file
        const char* Signature;
        ListVerdict Verdict;
        std::optional<std::string> KeptAfter;
    };
    const Case cases[] = {
        {"first signed list", std::nullopt, vectors::kListSignature, ListVerdict::Accepted,
         "5\r\n"},
        {"the same sequence again", "5\r\n", vectors::kListSignature, ListVerdict::Accepted,
         "5\r\n"},
        {"a newer list", "4\r\n", vectors::kListSignature, ListVerdict::Accepted, "5\r\n"},
        {"an older list", "6\r\n", vectors::kListSignature, ListVerdict::Replayed, "6\r\n"},
        {"expired", std::nullopt, vectors::kExpiredListSignature, ListVerdict::Expired,
         std::nullopt},
        {"unsigned", "4\r\n", "", ListVerdict::Malformed, "4\r\n"},
        // Unreadable counts as none rather than locking the folder out for good.
        {"kept file damaged", "five\r\n", vectors::kListSignature, ListVerdict::Accepted, "5\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        testutil::TempDir dir;
        const auto kept = dir.Path / update::kAcceptedSequenceFile;
        if (c.Kept) testutil::WriteFile(kept, *c.Kept);
        const auto check =
            update::AcceptRemoteList(dir.Path, vectors::kList, c.Signature, *key, kNow);
        EXPECT_EQ(check.Verdict, c.Verdict);
        if (c.KeptAfter) {
            EXPECT_EQ(testutil::ReadFile(kept), *c.KeptAfter);
        } else {
            EXPECT_FALSE(std::filesystem::exists(kept));
        }
    }
}

}  // namespace
