// SHA-256, the P-256 check and the list signature against the shared vectors:
// the same cases run natively (libcrypto) and under wine (CNG).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/update/temp_dir.h"
#include "trust/hex.h"
#include "trust/list_signature.h"
#include "trust/p256.h"
#include "trust/sha256.h"
#include "vectors.h"

namespace {

using trust::ListVerdict;

template <typename Array>
Array FromHexArray(const char* hex) {
    const auto bytes = trust::FromHex(hex);
    Array out{};
    EXPECT_TRUE(bytes && bytes->size() == out.size()) << hex;
    if (bytes && bytes->size() == out.size()) std::copy(bytes->begin(), bytes->end(), out.begin());
    return out;
}

trust::P256PublicKey Key() { return FromHexArray<trust::P256PublicKey>(vectors::kPublicKey); }

TEST(Sha256, KnownDigestsWholeSplitAndFromAFile) {
    for (const auto& c : vectors::kDigests) {
        EXPECT_EQ(trust::ToHex(trust::Sha256Of(c.Input)), c.Sha256Hex) << '"' << c.Input << '"';
        // Fed in pieces of every size, the digest is the same.
        const std::string input = c.Input;
        for (size_t piece = 1; piece < input.size(); piece += 7) {
            trust::Sha256 hash;
            for (size_t at = 0; at < input.size(); at += piece)
                hash.Update(std::string_view(input).substr(at, piece));
            EXPECT_EQ(trust::ToHex(hash.Finish()), c.Sha256Hex) << "pieces of " << piece;
        }
    }
    // Larger than the file reader's buffer, so it takes several reads.
    testutil::TempDir dir;
    const auto file = dir.Path / "a.bin";
    std::ofstream(file, std::ios::binary) << std::string(1000000, 'a');
    const auto digest = trust::Sha256OfFile(file);
    ASSERT_TRUE(digest);
    EXPECT_EQ(trust::ToHex(*digest), vectors::kMillionA);
    EXPECT_FALSE(trust::Sha256OfFile(dir.Path / "missing.bin"));
}

TEST(P256, VerifiesOnlyTheVectorsSignature) {
    const auto digest = FromHexArray<trust::Sha256Digest>(vectors::kDigest);
    const auto signature = FromHexArray<trust::P256Signature>(vectors::kSignature);
    EXPECT_TRUE(trust::VerifyP256(Key(), digest, signature));

    auto otherDigest = digest;
    otherDigest[31] ^= 1;
    EXPECT_FALSE(trust::VerifyP256(Key(), otherDigest, signature));
    for (const size_t at : {size_t{0}, size_t{31}, size_t{32}, size_t{63}}) {
        auto bad = signature;
        bad[at] ^= 0x40;
        EXPECT_FALSE(trust::VerifyP256(Key(), digest, bad)) << "byte " << at;
    }
    EXPECT_FALSE(trust::VerifyP256(Key(), digest, trust::P256Signature{}));
    // Y changed: no point of the curve, so no key at all.
    auto notOnCurve = Key();
    notOnCurve[63] ^= 1;
    EXPECT_FALSE(trust::VerifyP256(notOnCurve, digest, signature));
    EXPECT_FALSE(trust::VerifyP256(trust::P256PublicKey{}, digest, signature));
}

TEST(P256, PublicKeyText) {
    std::string padded = vectors::kPublicKey;
    padded.insert(padded.begin(), ' ');
    padded += "\r\n";
    EXPECT_EQ(trust::ParseP256PublicKey(padded), Key());
    EXPECT_FALSE(trust::ParseP256PublicKey(std::string(vectors::kPublicKey).substr(2)));
    EXPECT_FALSE(trust::ParseP256PublicKey(std::string(vectors::kPublicKey) + "00"));
    std::string notHex = vectors::kPublicKey;
    notHex[0] = 'x';
    EXPECT_FALSE(trust::ParseP256PublicKey(notHex));
}

constexpr int64_t kNow = 1800000000;  // 2027

TEST(ListSignature, VerdictsOfTheSignedList) {
    const std::string list = vectors::kList, good = vectors::kListSignature;
    std::string tamperedList = list;
    tamperedList[tamperedList.find("0001 120")] = '1';
    std::string otherSequence = good;
    otherSequence.replace(otherSequence.find("sequence 5"), 10, "sequence 6");

    struct Case {
        const char* Name;
        std::string List, Signature;
        std::optional<uint64_t> Last;
        ListVerdict Expected;
    };
    const Case cases[] = {
        {"valid, first list", list, good, std::nullopt, ListVerdict::Accepted},
        {"valid, same sequence again", list, good, 5, ListVerdict::Accepted},
        {"valid, newer than the last", list, good, 4, ListVerdict::Accepted},
        {"older than the last", list, good, 6, ListVerdict::Replayed},
        {"expired", list, vectors::kExpiredListSignature, std::nullopt, ListVerdict::Expired},
        {"list changed", tamperedList, good, std::nullopt, ListVerdict::BadSignature},
        {"sequence changed", list, otherSequence, std::nullopt, ListVerdict::BadSignature},
        {"empty file", list, "", std::nullopt, ListVerdict::Malformed},
        {"no signature line", list, good.substr(0, good.find("signature ")), std::nullopt,
         ListVerdict::Malformed},
    };
    for (const auto& c : cases) {
        const auto check = trust::CheckSignedList(c.List, c.Signature, Key(), kNow, c.Last);
        EXPECT_EQ(check.Verdict, c.Expected) << c.Name;
        if (c.Expected == ListVerdict::Accepted) {
            EXPECT_EQ(check.Sequence, 5u) << c.Name;
        }
    }
    // The expiry moment itself is already too late.
    EXPECT_EQ(trust::CheckSignedList(list, good, Key(), 4102444800, std::nullopt).Verdict,
              ListVerdict::Expired);
}

TEST(ListSignature, ReadsExactlyItsOwnFormat) {
    const trust::ListSignature made{7, 1900000000,
                                    FromHexArray<trust::P256Signature>(vectors::kSignature)};
    const std::string text = trust::FormatListSignature(made);
    const auto read = trust::ParseListSignature(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Sequence, 7u);
    EXPECT_EQ(read->Expires, 1900000000);
    EXPECT_EQ(read->Signature, made.Signature);

    std::string lf = text;
    std::erase(lf, '\r');
    EXPECT_TRUE(trust::ParseListSignature(lf));

    const auto replaced = [&text](const std::string& from, const std::string& to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const std::string broken[] = {
        text.substr(0, text.size() - 2),  // no final line end
        text + "\r\n",                    // an empty fifth line
        replaced("selvane-list-signature 1", "selvane-list-signature 2"),
        replaced("sequence 7", "sequence -7"),
        replaced("sequence 7", "sequence 07"),
        replaced("sequence 7", "sequence  7"),
        replaced("sequence 7", "sequence 99999999999999999999"),
        replaced("expires 1900000000", "expires 19e8"),
        replaced("sequence 7\r\nexpires 1900000000", "expires 1900000000\r\nsequence 7"),
        text.substr(0, text.size() - 4) + "\r\n",  // a signature one byte short
        replaced("signature ", "signature g"),
    };
    for (size_t i = 0; i < std::size(broken); ++i) {
        EXPECT_FALSE(trust::ParseListSignature(broken[i])) << "case " << i << ": " << broken[i];
    }
}

}  // namespace
