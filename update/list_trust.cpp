#include "update/list_trust.h"

#include <charconv>
#include <string>

#include "core/atomic_file.h"
#include "core/exception.h"
#include "update/text_lines.h"

namespace update {

namespace fs = std::filesystem;

std::optional<uint64_t> LoadAcceptedSequence(const fs::path& programDir) {
    Lines lines;
    try {
        lines = LoadLines(programDir / kAcceptedSequenceFile);
    } catch (const selvane::Exception&) {
        return std::nullopt;  // never written, or not readable: as a file without a number
    }
    if (lines.empty()) return std::nullopt;
    uint64_t sequence = 0;
    const std::string& text = lines[0];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), sequence);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return sequence;
}

trust::ListCheck AcceptRemoteList(const fs::path& programDir, std::string_view list,
                                  std::string_view signatureFile, const trust::P256PublicKey& key,
                                  int64_t now) {
    const auto last = LoadAcceptedSequence(programDir);
    const trust::ListCheck check = trust::CheckSignedList(list, signatureFile, key, now, last);
    if (check.Verdict == trust::ListVerdict::Accepted && (!last || check.Sequence > *last)) {
        selvane::WriteFileAtomically(programDir / kAcceptedSequenceFile,
                                     std::to_string(check.Sequence) + "\r\n");
    }
    return check;
}

}  // namespace update
