#include "update/failover.h"

#include <fstream>
#include <iterator>
#include <string>

#include "ftp/ftp_errors.h"

namespace update {

namespace {

bool ReadWhole(const std::filesystem::path& file, std::string& bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

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
    std::string first, second;
    return ReadWhole(a, first) && ReadWhole(b, second) && first == second;
}

}  // namespace update
