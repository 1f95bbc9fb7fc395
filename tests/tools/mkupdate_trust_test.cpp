// The operator's side of signed lists: hashes in the list, keys, signing with
// the sequence taken from the previous signature, and the audit of a mirror.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/update/temp_dir.h"
#include "tools/mkupdate/audit.h"
#include "tools/mkupdate/list_signing.h"
#include "tools/mkupdate/update_set.h"
#include "trust/hex.h"
#include "trust/list_signature.h"
#include "update/entry_hash.h"
#include "update/line_field.h"
#include "update/text_lines.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kNow = 1800000000;
constexpr int64_t kLater = kNow + 86400;

// A mirror that is a folder.
class FolderMirror : public mkupdate::IMirror {
public:
    explicit FolderMirror(fs::path dir) : dir_(std::move(dir)) {}
    bool Fetch(const std::string& name,
               const std::function<void(std::string_view)>& sink) override {
        if (!fs::exists(dir_ / name)) return false;
        sink(testutil::ReadFile(dir_ / name));
        return true;
    }

private:
    fs::path dir_;
};

struct SignedSet {
    SignedSet() {
        testutil::WriteFile(dir.Path / "game" / "readme.txt", "read me");
        testutil::WriteFile(dir.Path / "game" / "bin" / "engine.dat", std::string(5000, 'e'));
        testutil::WriteFile(dir.Path / "game" / "maps" / "a.map", "map");
        options.Source = dir.Path / "game";
        options.Out = dir.Path / "server";
        options.Version = "0001";
        options.Plain = {"readme.txt"};
        options.Packs = {{"maps.pak", "maps"}};
        lines = mkupdate::BuildUpdateSet(options);
        key = mkupdate::MakeKey(dir.Path / "studio.key");
        Sign();
    }
    trust::ListSignature Sign(int64_t expires = kLater) {
        return mkupdate::SignList(options.Out, {dir.Path / "studio.key", expires, std::nullopt});
    }

    testutil::TempDir dir;
    mkupdate::Options options;
    update::Lines lines;
    trust::P256PublicKey key{};
};

TEST(MkupdateTrust, EveryEntryCarriesTheHashOfItsServedFile) {
    SignedSet set;
    ASSERT_EQ(set.lines.size(), 4u);
    for (size_t i = 1; i < set.lines.size(); ++i) {
        const auto hash = update::FindEntryHash(set.lines[i], 5);
        ASSERT_TRUE(hash.Valid) << set.lines[i];
        const auto served = set.options.Out / update::LineField(set.lines[i], 2);
        EXPECT_EQ(trust::Sha256OfFile(served), hash.Digest) << set.lines[i];
    }
    // update3.dat is the lines as returned.
    EXPECT_EQ(update::LoadLines(set.options.Out / "update3.dat"), set.lines);
}

TEST(MkupdateTrust, KeysAndSignaturesThatTheProgramsAccept) {
    SignedSet set;
    const fs::path keyFile = set.dir.Path / "studio.key";
    struct stat info {};
    ASSERT_EQ(::stat(keyFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(trust::ParseP256PublicKey(testutil::ReadFile(keyFile.string() + ".pub")), set.key);
    EXPECT_THROW(mkupdate::MakeKey(keyFile), std::runtime_error);

    const auto list = testutil::ReadFile(set.options.Out / "update3.dat");
    const auto signatureText = [&set] {
        return testutil::ReadFile(set.options.Out / "update3.dat.sig");
    };
    auto check = trust::CheckSignedList(list, signatureText(), set.key, kNow, std::nullopt);
    EXPECT_EQ(check.Verdict, trust::ListVerdict::Accepted);
    EXPECT_EQ(check.Sequence, 1u);
    // Signing again takes the previous sequence plus one.
    EXPECT_EQ(set.Sign().Sequence, 2u);
    check = trust::CheckSignedList(list, signatureText(), set.key, kNow, 1);
    EXPECT_EQ(check.Verdict, trust::ListVerdict::Accepted);
    EXPECT_EQ(check.Sequence, 2u);
    EXPECT_EQ(mkupdate::SignList(set.options.Out, {keyFile, kLater, 40}).Sequence, 40u);
}

TEST(MkupdateTrust, TheAuditNamesEachProblemOfAMirror) {
    SignedSet set;
    const fs::path reference = set.options.Out;
    const auto remoteOfType = [&set](const char* type) {
        for (const auto& line : set.lines)
            if (update::LineField(line, 1) == type) return update::LineField(line, 2);
        return std::string();
    };
    const std::string plain = remoteOfType("O"), gz = remoteOfType("E");

    struct Case {
        const char* Name;
        std::function<void(const fs::path& mirror)> Damage;
        std::vector<std::string> Problems;
    };
    const Case cases[] = {
        {"intact", [](const fs::path&) {}, {}},
        {"a file missing", [&](const fs::path& m) { fs::remove(m / gz); }, {gz + ": missing"}},
        {"a file one byte short",
         [&](const fs::path& m) { testutil::WriteFile(m / plain, "read m"); },
         {plain + ": 6 bytes, listed 7"}},
        {"a file of the right size but other bytes",
         [&](const fs::path& m) { testutil::WriteFile(m / plain, "READ ME"); },
         {plain + ": sha256 differs from the list"}},
        {"no signature",
         [](const fs::path& m) { fs::remove(m / "update3.dat.sig"); },
         {"update3.dat.sig: missing"}},
        {"the list changed",
         [](const fs::path& m) {
             auto text = testutil::ReadFile(m / "update3.dat");
             text[0] = 'U';
             testutil::WriteFile(m / "update3.dat", text);
         },
         {"update3.dat: differs from the reference",
          "update3.dat.sig: signature not valid for this list and key"}},
        {"an older signature",
         [](const fs::path&) {},
         {"update3.dat.sig: sequence 1, the reference has 2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path mirror = set.dir.Path / "mirror";
        fs::remove_all(mirror);
        fs::copy(reference, mirror);
        // The reference moves on past the mirror: sequence 2 of the same list.
        if (std::string(c.Name) == "an older signature") set.Sign();
        c.Damage(mirror);
        FolderMirror folder(mirror);
        const auto result = mkupdate::AuditMirror(folder, reference, set.key, kNow);
        EXPECT_EQ(result.Problems, c.Problems);
        EXPECT_EQ(result.FilesChecked, 3u);
        EXPECT_EQ(result.Summary, c.Problems.empty() ? "mirror OK: 3 files checked"
                                                     : std::to_string(c.Problems.size()) +
                                                           " problem(s), 3 files checked");
    }
    // Expired, and past the expiry of the reference too.
    FolderMirror intact(reference);
    EXPECT_EQ(mkupdate::AuditMirror(intact, reference, set.key, kLater + 1).Problems,
              std::vector<std::string>{"update3.dat.sig: expired"});
}

}  // namespace
