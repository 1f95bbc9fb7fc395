#pragma once
// Whether this game folder takes a remote list: its signature by the studio's
// key, its expiry, and its sequence number against the highest one the folder
// took before, kept in "update2.seq" beside the local list.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "trust/list_signature.h"

namespace update {

inline constexpr char kRemoteListSignatureFile[] = "update3.dat.sig";
inline constexpr char kAcceptedSequenceFile[] = "update2.seq";

// None when the folder never took a signed list. A file that holds no number,
// or cannot be read, counts as none: only this program writes it, and a folder that could not be
// updated any more would be worse than one older list taken once.
std::optional<uint64_t> LoadAcceptedSequence(const std::filesystem::path& programDir);

// Checks the list against its signature; an accepted list raises the kept
// sequence number (never lowers it) before the verdict is returned.
trust::ListCheck AcceptRemoteList(const std::filesystem::path& programDir, std::string_view list,
                                  std::string_view signatureFile, const trust::P256PublicKey& key,
                                  int64_t now);

}  // namespace update
