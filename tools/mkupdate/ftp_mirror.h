#pragma once
// A mirror read over FTP: one logged-in control connection, binary passive
// transfers. Small on purpose: it serves the operator's audit, not players.

#include <string>

#include "tools/mkupdate/audit.h"

namespace mkupdate {

struct FtpLogin {
    std::string Host;
    std::string Port = "21";
    std::string User = "anonymous";
    std::string Password = "audit@";
};

class FtpMirror : public IMirror {
public:
    // Connects and logs in; raises std::runtime_error with the server's reply.
    explicit FtpMirror(const FtpLogin& login);
    ~FtpMirror() override;
    FtpMirror(const FtpMirror&) = delete;
    FtpMirror& operator=(const FtpMirror&) = delete;

    bool Fetch(const std::string& name,
               const std::function<void(std::string_view chunk)>& sink) override;

private:
    struct Reply {
        int Code = 0;
        std::string Text;
    };
    Reply ReadReply();
    Reply Command(const std::string& line);
    int OpenPassive();

    std::string host_;
    int control_ = -1;
    std::string pending_;  // bytes of the control connection not yet read as lines
};

}  // namespace mkupdate
