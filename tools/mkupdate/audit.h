#pragma once
// The audit of one mirror against the operator's own copy of the set: the
// list and its signature, and every file the list names, as the mirror
// serves them.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trust/p256.h"

namespace mkupdate {

// Where the files come from: an FTP server, or a folder in tests.
class IMirror {
public:
    virtual ~IMirror() = default;
    // Streams the file's bytes to sink; false when the mirror has no such
    // file. Raises std::runtime_error when the mirror cannot be asked at all.
    virtual bool Fetch(const std::string& name,
                       const std::function<void(std::string_view chunk)>& sink) = 0;
};

struct AuditResult {
    std::vector<std::string> Problems;  // one line each
    std::string Summary;
    size_t FilesChecked = 0;
};

// reference: the set's folder as the operator made it (update3.dat and
// update3.dat.sig); now: UTC seconds.
AuditResult AuditMirror(IMirror& mirror, const std::filesystem::path& reference,
                        const trust::P256PublicKey& key, int64_t now);

}  // namespace mkupdate
