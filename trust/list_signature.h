#pragma once
// The signature of an update list, served beside it as "update3.dat.sig":
//
//   selvane-list-signature 1
//   sequence 42
//   expires 1767225600
//   signature <128 hex digits: r then s>
//
// one "name value" pair a line, in this order, lines ending in CR LF (a lone
// LF is read too). The signature is ECDSA P-256 over the SHA-256 of
// SignedMessage: the format tag, the sequence number, the expiry (UTC seconds)
// and the SHA-256 of the list's bytes. The sequence number grows with every
// list the studio signs, so a program can refuse an older list replayed to it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "trust/p256.h"
#include "trust/sha256.h"

namespace trust {

// Larger than any signature file of ours, for the download's cap.
inline constexpr int64_t kListSignatureMaxBytes = 1024;

struct ListSignature {
    uint64_t Sequence = 0;
    int64_t Expires = 0;  // UTC seconds since 1970; the list is refused from then on
    P256Signature Signature{};
};

// The bytes that are hashed and signed: the tag "SLVLIST1", the sequence and
// the expiry as 8-byte big-endian numbers, then the list's digest.
std::string SignedMessage(uint64_t sequence, int64_t expires, const Sha256Digest& listDigest);

std::string FormatListSignature(const ListSignature& signature);
// None unless the text is exactly the format above.
std::optional<ListSignature> ParseListSignature(std::string_view text);

enum class ListVerdict {
    Accepted,
    Malformed,     // no signature file of ours
    BadSignature,  // not signed by the key, or not this list
    Expired,
    Replayed,  // a lower sequence number than the one accepted last
};

struct ListCheck {
    ListVerdict Verdict = ListVerdict::Malformed;
    uint64_t Sequence = 0;  // of the signature file, when it could be read
};

// Checks list against its signature file. now is UTC seconds; lastSequence
// the sequence number this game folder accepted last, if any (an equal one is
// accepted: the same list from another mirror, or fetched again).
ListCheck CheckSignedList(std::string_view list, std::string_view signatureFile,
                          const P256PublicKey& key, int64_t now,
                          std::optional<uint64_t> lastSequence);

// Seconds since 1970, UTC.
int64_t UtcNow();

}  // namespace trust
