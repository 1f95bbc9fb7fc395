#include "tools/mkupdate/ftp_mirror.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace mkupdate {

namespace {

// A server that stops answering fails the audit instead of hanging it.
constexpr int kTimeoutSeconds = 60;

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Get() const { return fd_; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

int Connect(const std::string& host, const std::string& port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
        throw std::runtime_error("cannot resolve " + host);
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(found, ::freeaddrinfo);
    for (const addrinfo* a = found; a; a = a->ai_next) {
        Socket s(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (s.Get() < 0) continue;
        timeval timeout{kTimeoutSeconds, 0};
        ::setsockopt(s.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(s.Get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        if (::connect(s.Get(), a->ai_addr, a->ai_addrlen) == 0) return s.Release();
    }
    throw std::runtime_error("cannot connect to " + host + " port " + port);
}

void SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) throw std::runtime_error("the FTP connection broke");
        sent += static_cast<size_t>(n);
    }
}

}  // namespace

FtpMirror::FtpMirror(const FtpLogin& login) : host_(login.Host) {
    control_ = Connect(login.Host, login.Port);
    try {
        if (ReadReply().Code != 220) throw std::runtime_error("no FTP greeting from " + login.Host);
        Reply reply = Command("USER " + login.User);
        if (reply.Code == 331) reply = Command("PASS " + login.Password);
        if (reply.Code != 230) throw std::runtime_error("login refused: " + reply.Text);
        if (Command("TYPE I").Code != 200) throw std::runtime_error("binary mode refused");
    } catch (...) {
        ::close(control_);  // no destructor runs for a constructor that throws
        control_ = -1;
        throw;
    }
}

FtpMirror::~FtpMirror() {
    if (control_ < 0) return;
    try {
        Command("QUIT");
    } catch (const std::runtime_error&) {
    }
    ::close(control_);
}

// One reply, multi-line ones ("123-" ... "123 ") included.
FtpMirror::Reply FtpMirror::ReadReply() {
    Reply reply;
    std::string first;
    for (;;) {
        size_t end;
        while ((end = pending_.find('\n')) == std::string::npos) {
            char buffer[4096];
            const ssize_t n = ::recv(control_, buffer, sizeof buffer, 0);
            if (n <= 0) throw std::runtime_error("the FTP server closed the connection");
            pending_.append(buffer, static_cast<size_t>(n));
        }
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first.empty()) {
            if (line.size() < 4) throw std::runtime_error("not an FTP reply: " + line);
            first = line;
            reply.Text = line;
            if (line[3] != '-') break;
        } else if (line.size() >= 4 && line.compare(0, 3, first, 0, 3) == 0 && line[3] == ' ') {
            break;
        }
    }
    reply.Code = std::atoi(first.substr(0, 3).c_str());
    return reply;
}

FtpMirror::Reply FtpMirror::Command(const std::string& line) {
    // Names come from the mirror's own list: a line break in one would add a
    // command of the mirror's choosing to our logged-in session.
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw std::runtime_error("refused a command with a line break or NUL");
    SendAll(control_, line + "\r\n");
    return ReadReply();
}

// PASV: "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)". The address is
// ignored for the control connection's host, as behind NAT it is often wrong.
int FtpMirror::OpenPassive() {
    const Reply reply = Command("PASV");
    const size_t open = reply.Text.find('(');
    unsigned h[4], p[2];
    if (reply.Code != 227 || open == std::string::npos ||
        std::sscanf(reply.Text.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &h[0], &h[1], &h[2], &h[3],
                    &p[0], &p[1]) != 6 ||
        p[0] > 255 || p[1] > 255)
        throw std::runtime_error("passive mode refused: " + reply.Text);
    return Connect(host_, std::to_string(p[0] * 256 + p[1]));
}

bool FtpMirror::Fetch(const std::string& name,
                      const std::function<void(std::string_view chunk)>& sink) {
    Socket data(OpenPassive());
    const Reply start = Command("RETR " + name);
    if (start.Code / 100 == 5) return false;
    if (start.Code != 125 && start.Code != 150)
        throw std::runtime_error("RETR " + name + ": " + start.Text);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::recv(data.Get(), buffer, sizeof buffer, 0);
        if (n < 0) throw std::runtime_error("RETR " + name + ": the transfer broke");
        if (n == 0) break;
        sink(std::string_view(buffer, static_cast<size_t>(n)));
    }
    const Reply done = ReadReply();
    if (done.Code / 100 != 2) throw std::runtime_error("RETR " + name + ": " + done.Text);
    return true;
}

}  // namespace mkupdate
