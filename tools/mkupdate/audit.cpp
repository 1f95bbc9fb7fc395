#include "tools/mkupdate/audit.h"

#include <stdexcept>

#include "core/exception.h"
#include "trust/list_signature.h"
#include "trust/sha256.h"
#include "update/entry_hash.h"
#include "update/file_util.h"
#include "update/line_field.h"
#include "update/list_trust.h"
#include "update/text_lines.h"

namespace mkupdate {

namespace fs = std::filesystem;

namespace {

const std::string kSignatureName = update::kRemoteListSignatureFile;

std::optional<std::string> FetchWhole(IMirror& mirror, const std::string& name) {
    std::string bytes;
    if (!mirror.Fetch(name, [&bytes](std::string_view chunk) { bytes.append(chunk); }))
        return std::nullopt;
    return bytes;
}

std::optional<std::string> ReadReference(const fs::path& file) {
    try {
        return update::ReadWholeFile(file);
    } catch (const selvane::Exception&) {
        return std::nullopt;
    }
}

const char* VerdictText(trust::ListVerdict verdict) {
    switch (verdict) {
        case trust::ListVerdict::Malformed:
            return "not a signature file";
        case trust::ListVerdict::BadSignature:
            return "signature not valid for this list and key";
        case trust::ListVerdict::Expired:
            return "expired";
        case trust::ListVerdict::Replayed:
        case trust::ListVerdict::Accepted:
            break;
    }
    return "";
}

void CheckSignature(const std::string& list, const std::string& signature,
                    const fs::path& reference, const trust::P256PublicKey& key, int64_t now,
                    AuditResult& result) {
    const auto check = trust::CheckSignedList(list, signature, key, now, std::nullopt);
    if (check.Verdict != trust::ListVerdict::Accepted) {
        result.Problems.push_back(kSignatureName + ": " + VerdictText(check.Verdict));
        if (check.Verdict != trust::ListVerdict::Expired) return;
    }
    const auto referenceText = ReadReference(reference / kSignatureName);
    const auto ours = referenceText ? trust::ParseListSignature(*referenceText) : std::nullopt;
    if (!ours) {
        result.Problems.push_back("reference " + (reference / kSignatureName).string() +
                                  ": no signature file");
    } else if (ours->Sequence != check.Sequence) {
        result.Problems.push_back(kSignatureName + ": sequence " + std::to_string(check.Sequence) +
                                  ", the reference has " + std::to_string(ours->Sequence));
    }
}

void CheckFile(IMirror& mirror, const std::string& entry, AuditResult& result) {
    const std::string remote = update::LineField(entry, 2);
    const std::string sizeField = update::LineField(entry, 5);
    const update::EntryHash hash = update::FindEntryHash(entry, 5);
    ++result.FilesChecked;
    trust::Sha256 digest;
    int64_t size = 0;
    const bool found = mirror.Fetch(remote, [&](std::string_view chunk) {
        size += static_cast<int64_t>(chunk.size());
        digest.Update(chunk);
    });
    if (!found) {
        result.Problems.push_back(remote + ": missing");
        return;
    }
    if (std::to_string(size) != sizeField) {
        result.Problems.push_back(remote + ": " + std::to_string(size) + " bytes, listed " +
                                  sizeField);
        return;
    }
    if (!hash.Present) {
        result.Problems.push_back(remote + ": the list names no sha256");
    } else if (!hash.Valid) {
        result.Problems.push_back(remote + ": the list's sha256 is malformed");
    } else if (digest.Finish() != hash.Digest) {
        result.Problems.push_back(remote + ": sha256 differs from the list");
    }
}

}  // namespace

AuditResult AuditMirror(IMirror& mirror, const fs::path& reference, const trust::P256PublicKey& key,
                        int64_t now) {
    AuditResult result;
    const auto list = FetchWhole(mirror, "update3.dat");
    if (!list) {
        result.Problems.push_back("update3.dat: missing");
    } else {
        const auto referenceList = ReadReference(reference / "update3.dat");
        if (referenceList && *referenceList != *list)
            result.Problems.push_back("update3.dat: differs from the reference");
        const auto signature = FetchWhole(mirror, kSignatureName);
        if (!signature) {
            result.Problems.push_back(kSignatureName + ": missing");
        } else {
            CheckSignature(*list, *signature, reference, key, now, result);
        }
        const update::Lines lines = update::SplitLines(*list);
        for (size_t i = 1; i < lines.size(); ++i) {
            if (!update::LineField(lines[i], 2).empty()) CheckFile(mirror, lines[i], result);
        }
    }
    result.Summary = result.Problems.empty()
                         ? "mirror OK: " + std::to_string(result.FilesChecked) + " files checked"
                         : std::to_string(result.Problems.size()) + " problem(s), " +
                               std::to_string(result.FilesChecked) + " files checked";
    return result;
}

}  // namespace mkupdate
