#pragma once
// Helpers of the client tests: the scripted server's admin connection, an
// event recorder, delayed calls from the message loop, file helpers.

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ftp/ftp_client_win.h"

namespace ftptest {

// One scenario on the scripted server (tests/ftp/scripted_server.py).
class ScriptServer {
public:
    // Plays `scenarioJson` (one line of JSON) on a fresh port. Available()
    // is false when the test runs without the server.
    explicit ScriptServer(const std::string& scenarioJson);
    ~ScriptServer();
    bool Available() const { return admin_ != INVALID_SOCKET; }
    int Port() const { return port_; }
    // The commands received; waitForEnd waits (at most 2 s) for the control
    // connection to end first.
    std::vector<std::string> Commands(bool waitForEnd = true);

private:
    std::string ReadLine();
    SOCKET admin_ = INVALID_SOCKET;
    int port_ = 0;
    std::string pending_;
};

// Records the client's events as short texts, in order.
struct EventLog {
    std::vector<std::string> events;
    std::vector<std::string> statuses;
    int32_t bytesTotalAtStart = -1;
    bool handleFailure = false;
    void Attach(ftp::TFtpClient& client);
    int Count(const std::string& event) const;
};

// Runs `call` from the message loop after `ms` milliseconds.
void CallLater(UINT ms, std::function<void()> call);

std::filesystem::path TempDir();
std::string ReadFile(const std::filesystem::path& path);
// The scripted server's test pattern: byte i is (i * 7 + i / 251) mod 256.
std::string Pattern(size_t size);
std::string EnvOr(const char* name, const std::string& fallback);

}  // namespace ftptest
