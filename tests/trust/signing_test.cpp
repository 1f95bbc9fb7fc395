// The studio's side, natively: keys made, read back and used; what is signed
// here is what the programs' check accepts.

#include <gtest/gtest.h>

#include "core/exception.h"
#include "trust/hex.h"
#include "trust/list_signature.h"
#include "trust/p256_signing.h"
#include "vectors.h"

namespace {

TEST(P256Signing, TheVectorKeyReadFromPemHasTheVectorPublicKey) {
    const auto key = trust::P256SigningKey::FromPem(vectors::kPrivateKeyPem);
    EXPECT_EQ(trust::ToHex(key.PublicKey()), vectors::kPublicKey);
    const auto digest = trust::Sha256Of("signed here");
    EXPECT_TRUE(trust::VerifyP256(key.PublicKey(), digest, key.Sign(digest)));
}

TEST(P256Signing, AFreshKeySurvivesItsPemAndSignsWhatTheCheckAccepts) {
    const auto made = trust::P256SigningKey::Generate();
    const auto key = trust::P256SigningKey::FromPem(made.ToPem());
    EXPECT_EQ(key.PublicKey(), made.PublicKey());

    const std::string list = "header\r\nO a.txt a.txt 0001 3\r\n";
    const trust::ListSignature signature{
        9, 2000000000,
        key.Sign(trust::Sha256Of(trust::SignedMessage(9, 2000000000, trust::Sha256Of(list))))};
    const auto check = trust::CheckSignedList(list, trust::FormatListSignature(signature),
                                              made.PublicKey(), 1800000000, 9);
    EXPECT_EQ(check.Verdict, trust::ListVerdict::Accepted);
    // Another key's signature is no signature.
    EXPECT_EQ(trust::CheckSignedList(list, trust::FormatListSignature(signature),
                                     trust::P256SigningKey::Generate().PublicKey(), 1800000000, 9)
                  .Verdict,
              trust::ListVerdict::BadSignature);
}

TEST(P256Signing, RefusesTextThatHoldsNoP256Key) {
    EXPECT_THROW(trust::P256SigningKey::FromPem("not a key"), selvane::Exception);
    EXPECT_THROW(trust::P256SigningKey::FromPem(""), selvane::Exception);
}

}  // namespace
