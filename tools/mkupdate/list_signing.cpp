#include "tools/mkupdate/list_signing.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "core/atomic_file.h"
#include "trust/hex.h"
#include "trust/p256_signing.h"

namespace mkupdate {

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

trust::P256PublicKey MakeKey(const fs::path& keyFile) {
    fs::path publicFile = keyFile;
    publicFile += ".pub";
    if (fs::exists(keyFile) || fs::exists(publicFile))
        throw std::runtime_error(keyFile.string() + " exists already: a key is never overwritten");
    const auto key = trust::P256SigningKey::Generate();
    const std::string pem = key.ToPem();
    {
        // Created for its owner alone before a byte of the key is in it.
        std::ofstream out(keyFile, std::ios::binary);
        if (!out) throw std::runtime_error("cannot create " + keyFile.string());
        ::chmod(keyFile.c_str(), S_IRUSR | S_IWUSR);
        out << pem;
        if (!out.flush()) throw std::runtime_error("cannot write " + keyFile.string());
    }
    selvane::WriteFileAtomically(publicFile, trust::ToHex(key.PublicKey()) + "\n");
    return key.PublicKey();
}

trust::ListSignature SignList(const fs::path& serverDir, const SignOptions& options) {
    const auto key = trust::P256SigningKey::FromPem(ReadText(options.KeyFile));
    const fs::path signatureFile = serverDir / "update3.dat.sig";
    trust::ListSignature signature;
    if (options.Sequence) {
        signature.Sequence = *options.Sequence;
    } else if (fs::exists(signatureFile)) {
        const auto previous = trust::ParseListSignature(ReadText(signatureFile));
        if (!previous)
            throw std::runtime_error(signatureFile.string() +
                                     " is no signature file: give --sequence");
        signature.Sequence = previous->Sequence + 1;
    } else {
        signature.Sequence = 1;
    }
    signature.Expires = options.ExpiresAt;
    const std::string list = ReadText(serverDir / "update3.dat");
    signature.Signature = key.Sign(trust::Sha256Of(
        trust::SignedMessage(signature.Sequence, signature.Expires, trust::Sha256Of(list))));
    selvane::WriteFileAtomically(signatureFile, trust::FormatListSignature(signature));
    return signature;
}

}  // namespace mkupdate
