#include "tools/mkupdate/list_signing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/atomic_file.h"
#include "trust/hex.h"
#include "update/file_util.h"
#include "update/list_trust.h"

namespace mkupdate {

namespace fs = std::filesystem;

trust::P256PublicKey MakeKey(const fs::path& keyFile) {
    fs::path publicFile = keyFile;
    publicFile += ".pub";
    if (fs::exists(keyFile) || fs::exists(publicFile))
        throw std::runtime_error(keyFile.string() + " exists already: a key is never overwritten");
    const auto key = trust::P256SigningKey::Generate();
    const std::string pem = key.ToPem();
    {
        // Created for its owner alone before a byte of the key is in it, and
        // never over a file that appeared since the test above.
        const int fd = ::open(keyFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) throw std::runtime_error("cannot create " + keyFile.string());
        const bool written =
            ::write(fd, pem.data(), pem.size()) == static_cast<ssize_t>(pem.size());
        if (::close(fd) != 0 || !written)
            throw std::runtime_error("cannot write " + keyFile.string());
    }
    selvane::WriteFileAtomically(publicFile, trust::ToHex(key.PublicKey()) + "\n");
    return key.PublicKey();
}

trust::P256SigningKey LoadSigningKey(const fs::path& keyFile) {
    return trust::P256SigningKey::FromPem(update::ReadWholeFile(keyFile));
}

trust::ListSignature SignList(const fs::path& serverDir, const SignOptions& options) {
    const auto key = LoadSigningKey(options.KeyFile);
    const fs::path signatureFile = serverDir / update::kRemoteListSignatureFile;
    trust::ListSignature signature;
    if (options.Sequence) {
        signature.Sequence = *options.Sequence;
    } else if (fs::exists(signatureFile)) {
        const auto previous = trust::ParseListSignature(update::ReadWholeFile(signatureFile));
        if (!previous)
            throw std::runtime_error(signatureFile.string() +
                                     " is no signature file: give --sequence");
        if (previous->Sequence == UINT64_MAX)
            throw std::runtime_error(signatureFile.string() + " holds the last sequence number");
        signature.Sequence = previous->Sequence + 1;
    } else {
        signature.Sequence = 1;
    }
    signature.Expires = options.ExpiresAt;
    const std::string list = update::ReadWholeFile(serverDir / "update3.dat");
    signature.Signature = key.Sign(trust::Sha256Of(
        trust::SignedMessage(signature.Sequence, signature.Expires, trust::Sha256Of(list))));
    selvane::WriteFileAtomically(signatureFile, trust::FormatListSignature(signature));
    return signature;
}

bool RemoveSignature(const fs::path& serverDir) {
    std::error_code ec;
    return fs::remove(serverDir / update::kRemoteListSignatureFile, ec);
}

}  // namespace mkupdate
