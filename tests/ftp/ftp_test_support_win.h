#pragma once
// Helpers of the client tests: the scripted server's admin connection, an
// event recorder, client set-up, delayed calls from the message loop, file
// helpers.

#include <windows.h>
#include <winsock2.h>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/exception.h"
#include "ftp/ftp_client_win.h"
#include "winui/handles.h"

// Skips the current test when it runs without the scripted server.
#define REQUIRE_SERVER(server) \
    if (!(server).Available()) GTEST_SKIP() << "no scripted server (FTP_SCRIPT_PORT)"

namespace ftptest {

// One scenario on the scripted server (tests/ftp/scripted_server.py).
class ScriptServer {
public:
    // Plays `scenarioJson` (one line of JSON) on a fresh port. Available()
    // is false when the test runs without the server.
    explicit ScriptServer(const std::string& scenarioJson);
    bool Available() const { return admin_.valid(); }
    int Port() const { return port_; }
    // The commands received; waitForEnd waits (at most 2 s) for the control
    // connection to end first.
    std::vector<std::string> Commands(bool waitForEnd = true);

private:
    std::string ReadLine();
    winui::UniqueSocket admin_;
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

// A client for `server` on 127.0.0.1 as user/pw with a 5 s time-out.
std::unique_ptr<ftp::TFtpClient> ClientFor(const ScriptServer& server);
// The same with `log` attached, not yet connected.
std::unique_ptr<ftp::TFtpClient> NewClient(const ScriptServer& server, EventLog& log);
// The same logged in; `log` is attached after the login, so it sees none of it.
std::unique_ptr<ftp::TFtpClient> LoggedIn(const ScriptServer& server, EventLog& log);

// Runs `call` and returns the message of what it raised ("" when nothing).
template <class F>
std::string ErrorOf(F call) {
    try {
        call();
    } catch (const selvane::Exception& e) {
        return e.Message;
    }
    return "";
}

// Runs `call` from the message loop after `ms` milliseconds.
void CallLater(UINT ms, std::function<void()> call);

// Errors that reached the application's error policy (a timer or socket
// window procedure let them go), in order. Tests clear it as they need.
std::vector<std::string>& EscapedErrors();

// Ends the test program with a message when a test hangs past `seconds`:
// a wait that never ends is caught here rather than by a timing assertion.
class Watchdog {
public:
    explicit Watchdog(int seconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stop_ = false;
    std::thread thread_;
};

std::filesystem::path TempDir();
std::string ReadFile(const std::filesystem::path& path);
// The scripted server's test pattern: byte i is (i * 7 + i / 251) mod 256.
std::string Pattern(size_t size);
std::string EnvOr(const char* name, const std::string& fallback);

}  // namespace ftptest
