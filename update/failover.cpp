#include "update/failover.h"

#include <string>

#include "ftp/ftp_errors.h"
#include "update/file_util.h"

namespace update {

namespace {

bool IsTransientReply(const std::string& reply) {
    return reply.size() >= 3 && reply[0] == '4' && reply[1] >= '0' && reply[1] <= '9' &&
           reply[2] >= '0' && reply[2] <= '9';
}

}  // namespace

bool WorthAnotherServer(const selvane::Exception& error, bool controlConnected) {
    if (const auto* socket = dynamic_cast<const ftp::ESocketError*>(&error)) {
        return socket->Kind != ftp::SocketErrorKind::Destroyed &&
               socket->Kind != ftp::SocketErrorKind::LongTransfer;
    }
    if (dynamic_cast<const ftp::EClosedByServer*>(&error)) return true;
    if (dynamic_cast<const ftp::FTPException*>(&error)) {
        return !controlConnected || IsTransientReply(error.Message);
    }
    return false;
}

bool SameFileBytes(const std::filesystem::path& a, const std::filesystem::path& b) {
    try {
        return ReadWholeFile(a) == ReadWholeFile(b);
    } catch (const selvane::Exception&) {
        return false;
    }
}

}  // namespace update
