#include "trust/list_signature.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <vector>

#include "trust/hex.h"

namespace trust {

namespace {

constexpr char kTag[] = "SLVLIST1";
constexpr char kFirstLine[] = "selvane-list-signature 1";

void PutBigEndian(std::string& out, uint64_t value) {
    for (int shift = 56; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xff);
}

// Lines split at LF with one CR before it dropped; the text must end in a
// line end, and nothing may follow the last line.
std::optional<std::vector<std::string_view>> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(end + 1);
    }
    return lines;
}

// "name value" with exactly one blank; the value without the name.
std::optional<std::string_view> Value(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() + 1 || line.substr(0, name.size()) != name ||
        line[name.size()] != ' ')
        return std::nullopt;
    return line.substr(name.size() + 1);
}

// Plain decimal digits, no sign, no leading zero but for 0 itself.
template <typename Number>
std::optional<Number> Decimal(std::string_view text) {
    if (text.empty() || (text.size() > 1 && text[0] == '0') ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::string SignedMessage(uint64_t sequence, int64_t expires, const Sha256Digest& listDigest) {
    std::string message(kTag);
    PutBigEndian(message, sequence);
    PutBigEndian(message, static_cast<uint64_t>(expires));
    message.append(listDigest.begin(), listDigest.end());
    return message;
}

std::string FormatListSignature(const ListSignature& signature) {
    return std::string(kFirstLine) + "\r\nsequence " + std::to_string(signature.Sequence) +
           "\r\nexpires " + std::to_string(signature.Expires) + "\r\nsignature " +
           ToHex(signature.Signature) + "\r\n";
}

std::optional<ListSignature> ParseListSignature(std::string_view text) {
    if (text.size() > kListSignatureMaxBytes) return std::nullopt;
    const auto lines = SplitLines(text);
    if (!lines || lines->size() != 4 || (*lines)[0] != kFirstLine) return std::nullopt;
    const auto sequence = Value((*lines)[1], "sequence");
    const auto expires = Value((*lines)[2], "expires");
    const auto signature = Value((*lines)[3], "signature");
    if (!sequence || !expires || !signature) return std::nullopt;
    ListSignature parsed;
    const auto sequenceNumber = Decimal<uint64_t>(*sequence);
    const auto expiresNumber = Decimal<int64_t>(*expires);
    const auto signatureBytes = FromHex(*signature);
    if (!sequenceNumber || !expiresNumber || !signatureBytes ||
        signatureBytes->size() != parsed.Signature.size())
        return std::nullopt;
    parsed.Sequence = *sequenceNumber;
    parsed.Expires = *expiresNumber;
    std::copy(signatureBytes->begin(), signatureBytes->end(), parsed.Signature.begin());
    return parsed;
}

ListCheck CheckSignedList(std::string_view list, std::string_view signatureFile,
                          const P256PublicKey& key, int64_t now,
                          std::optional<uint64_t> lastSequence) {
    const auto signature = ParseListSignature(signatureFile);
    if (!signature) return {ListVerdict::Malformed, 0};
    const std::string message =
        SignedMessage(signature->Sequence, signature->Expires, Sha256Of(list));
    // Nothing of the file is believed before its signature is.
    if (!VerifyP256(key, Sha256Of(message), signature->Signature))
        return {ListVerdict::BadSignature, 0};
    if (now >= signature->Expires) return {ListVerdict::Expired, signature->Sequence};
    if (lastSequence && signature->Sequence < *lastSequence)
        return {ListVerdict::Replayed, signature->Sequence};
    return {ListVerdict::Accepted, signature->Sequence};
}

int64_t UtcNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace trust
