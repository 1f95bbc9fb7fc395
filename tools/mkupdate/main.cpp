// mkupdate: builds, signs and audits the update set of the game's FTP servers.
//
//   mkupdate --source GAMEDIR --out SERVERDIR --version VERSION
//            [--plain RELPATH]... [--pack TARGET=SUBDIR]... [--header TEXT]
//            [--key KEYFILE [--expires-days N | --expires-at UTC] [--sequence N]]
//   mkupdate keygen KEYFILE
//   mkupdate sign --out SERVERDIR --key KEYFILE [--expires-days N | --expires-at UTC]
//            [--sequence N]
//   mkupdate audit --host HOST [--port PORT] [--user USER] [--password PASSWORD]
//            --reference SERVERDIR --public-key KEYFILE.pub
//
// Every file below GAMEDIR becomes one entry of update3.dat: a gzip file
// (type E) by default, the file as it is (type O) with --plain, or an item of
// a gzip-compressed pack file (type C) when it lies below a --pack SUBDIR.
// Each entry carries the SHA-256 of its file as served. With --key the list
// is signed into update3.dat.sig, its sequence number one above the folder's
// last signature (or --sequence), valid for 90 days (or as given). Versions
// are compared byte by byte by the clients: use fixed-width digits.
//
// audit reads a mirror over FTP and prints one line per problem, then a
// summary; the exit status is 0 for a sound mirror, 1 for problems, 2 when
// the audit could not run.

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include "tools/mkupdate/audit.h"
#include "tools/mkupdate/ftp_mirror.h"
#include "tools/mkupdate/list_signing.h"
#include "tools/mkupdate/update_set.h"
#include "trust/hex.h"
#include "trust/list_signature.h"

namespace {

constexpr int64_t kDefaultValidDays = 90;

int Usage() {
    std::fputs(
        "usage: mkupdate --source GAMEDIR --out SERVERDIR --version VERSION\n"
        "                [--plain RELPATH]... [--pack TARGET=SUBDIR]... [--header TEXT]\n"
        "                [--key KEYFILE [--expires-days N | --expires-at UTC] [--sequence N]]\n"
        "       mkupdate keygen KEYFILE\n"
        "       mkupdate sign --out SERVERDIR --key KEYFILE [--expires-days N | --expires-at UTC]\n"
        "                [--sequence N]\n"
        "       mkupdate audit --host HOST [--port PORT] [--user USER] [--password PASSWORD]\n"
        "                --reference SERVERDIR --public-key KEYFILE.pub\n",
        stderr);
    return 2;
}

// Options given as "--name value" pairs; false for a stray word.
bool ReadPairs(int argc, char** argv, int first, std::multimap<std::string, std::string>& out) {
    for (int i = first; i < argc; i += 2) {
        if (i + 1 >= argc || std::strncmp(argv[i], "--", 2) != 0) return false;
        out.emplace(argv[i] + 2, argv[i + 1]);
    }
    return true;
}

std::string One(const std::multimap<std::string, std::string>& options, const std::string& name,
                const std::string& fallback = "") {
    const auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
}

// A whole decimal number of type T, without a sign or anything after it.
template <typename T>
std::optional<T> Decimal(const std::string& text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] == '-' || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Reads the signing options; false when they make no sense, an expiry that
// has passed already included (such a list is refused by every program).
bool SigningOptions(const std::multimap<std::string, std::string>& options,
                    mkupdate::SignOptions& sign) {
    constexpr int64_t kMaxValidDays = 100 * 366;
    sign.KeyFile = One(options, "key");
    const std::string days = One(options, "expires-days"), at = One(options, "expires-at");
    if (!days.empty() && !at.empty()) return false;
    const int64_t now = trust::UtcNow();
    if (!at.empty()) {
        const auto expires = Decimal<int64_t>(at);
        if (!expires || *expires <= now) return false;
        sign.ExpiresAt = *expires;
    } else {
        const auto valid = days.empty() ? kDefaultValidDays : Decimal<int64_t>(days);
        if (!valid || *valid < 1 || *valid > kMaxValidDays) return false;
        sign.ExpiresAt = now + 86400 * *valid;
    }
    const std::string sequence = One(options, "sequence");
    if (!sequence.empty()) {
        sign.Sequence = Decimal<uint64_t>(sequence);
        if (!sign.Sequence) return false;
    }
    return true;
}

void PrintSigned(const std::filesystem::path& dir, const trust::ListSignature& signature) {
    std::printf("signed %s: sequence %llu, expires %lld (UTC seconds)\n",
                (dir / "update3.dat.sig").string().c_str(),
                static_cast<unsigned long long>(signature.Sequence),
                static_cast<long long>(signature.Expires));
}

int Build(int argc, char** argv) {
    std::multimap<std::string, std::string> args;
    if (!ReadPairs(argc, argv, 1, args)) return Usage();
    mkupdate::Options options;
    for (const auto& [name, value] : args) {
        if (name == "source") {
            options.Source = value;
        } else if (name == "out") {
            options.Out = value;
        } else if (name == "version") {
            options.Version = value;
        } else if (name == "header") {
            options.Header = value;
        } else if (name == "plain") {
            options.Plain.emplace_back(value);
        } else if (name == "pack") {
            const auto eq = value.find('=');
            if (eq == std::string::npos) return Usage();
            options.Packs.push_back({value.substr(0, eq), value.substr(eq + 1)});
        } else if (name != "key" && name != "expires-days" && name != "expires-at" &&
                   name != "sequence") {
            return Usage();
        }
    }
    mkupdate::SignOptions sign;
    if (options.Source.empty() || options.Out.empty() || options.Version.empty() ||
        options.Version.find(' ') != std::string::npos || !SigningOptions(args, sign)) {
        return Usage();
    }
    // A key that cannot be used fails the run before the list is replaced:
    // a new list beside the old signature would be refused everywhere.
    if (!sign.KeyFile.empty()) mkupdate::LoadSigningKey(sign.KeyFile);
    const auto lines = mkupdate::BuildUpdateSet(options);
    std::printf("%zu entries written to %s\n", lines.size() - 1,
                (options.Out / "update3.dat").string().c_str());
    if (!sign.KeyFile.empty()) {
        PrintSigned(options.Out, mkupdate::SignList(options.Out, sign));
    } else if (mkupdate::RemoveSignature(options.Out)) {
        std::printf("removed the signature of the previous list: this one is unsigned\n");
    }
    return 0;
}

int Sign(int argc, char** argv) {
    std::multimap<std::string, std::string> args;
    mkupdate::SignOptions sign;
    if (!ReadPairs(argc, argv, 2, args) || One(args, "out").empty() || One(args, "key").empty() ||
        !SigningOptions(args, sign))
        return Usage();
    PrintSigned(One(args, "out"), mkupdate::SignList(One(args, "out"), sign));
    return 0;
}

int Audit(int argc, char** argv) {
    std::multimap<std::string, std::string> args;
    if (!ReadPairs(argc, argv, 2, args) || One(args, "host").empty() ||
        One(args, "reference").empty() || One(args, "public-key").empty())
        return Usage();
    std::ifstream keyFile(One(args, "public-key"), std::ios::binary);
    const std::string keyText{std::istreambuf_iterator<char>(keyFile),
                              std::istreambuf_iterator<char>()};
    const auto key = trust::ParseP256PublicKey(keyText);
    if (!key) {
        std::fprintf(stderr, "mkupdate: %s holds no public key\n", One(args, "public-key").c_str());
        return 2;
    }
    mkupdate::FtpLogin login;
    login.Host = One(args, "host");
    login.Port = One(args, "port", login.Port);
    login.User = One(args, "user", login.User);
    login.Password = One(args, "password", login.Password);
    mkupdate::FtpMirror mirror(login);
    const auto result =
        mkupdate::AuditMirror(mirror, One(args, "reference"), *key, trust::UtcNow());
    for (const auto& problem : result.Problems) std::printf("%s\n", problem.c_str());
    std::printf("%s\n", result.Summary.c_str());
    return result.Problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::strcmp(argv[1], "keygen") == 0) {
            const auto key = mkupdate::MakeKey(argv[2]);
            std::printf("private key in %s (keep it offline), public key in %s.pub:\n%s\n", argv[2],
                        argv[2], trust::ToHex(key).c_str());
            return 0;
        }
        if (argc >= 2 && std::strcmp(argv[1], "sign") == 0) return Sign(argc, argv);
        if (argc >= 2 && std::strcmp(argv[1], "audit") == 0) {
            try {
                return Audit(argc, argv);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "mkupdate: audit not done: %s\n", e.what());
                return 2;
            }
        }
        return Build(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkupdate: %s\n", e.what());
        return 1;
    }
}
