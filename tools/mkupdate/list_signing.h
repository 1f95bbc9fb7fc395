#pragma once
// The operator's signature of an update set: key pairs and update3.dat.sig.

#include <cstdint>
#include <filesystem>
#include <optional>

#include "trust/list_signature.h"
#include "trust/p256_signing.h"

namespace mkupdate {

// Writes a new private key to keyFile (PEM, readable by its owner only) and
// its public half to keyFile + ".pub" (128 hex digits, the form the build's
// SELVANE_LIST_PUBLIC_KEY takes). Refuses to overwrite an existing key.
trust::P256PublicKey MakeKey(const std::filesystem::path& keyFile);

struct SignOptions {
    std::filesystem::path KeyFile;
    int64_t ExpiresAt = 0;             // UTC seconds
    std::optional<uint64_t> Sequence;  // default: the folder's last one plus one, or 1
};

// The private key in keyFile; raises for a file that cannot be read or holds
// no key.
trust::P256SigningKey LoadSigningKey(const std::filesystem::path& keyFile);

// Signs the folder's update3.dat into update3.dat.sig, replacing the old one.
trust::ListSignature SignList(const std::filesystem::path& serverDir, const SignOptions& options);

// Removes the folder's update3.dat.sig; true when there was one.
bool RemoveSignature(const std::filesystem::path& serverDir);

}  // namespace mkupdate
