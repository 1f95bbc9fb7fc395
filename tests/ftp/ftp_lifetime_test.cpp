// What outlives what: lookups and clients freed while the system or a caller
// still holds on to them, sends the peer never takes, and errors that escape
// a window or timer callback.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ftp/async_socket_win.h"
#include "ftp/ftp_client_win.h"
#include "ftp/host_lookup_win.h"
#include "ftp_test_support_win.h"
#include "update/ftp_downloader_win.h"
#include "winui/message_pump.h"

namespace {

using ftptest::ErrorOf;
using ftptest::ScriptServer;
using Strings = std::vector<std::string>;

// A resolver that never answers on its own: the test plays the system's
// late answer itself.
struct StalledLookup {
    HWND window;
    u_int message;
    char* buffer;
    int size;
    HANDLE task;
};
std::vector<StalledLookup> stalled;

HANDLE WINAPI StartStalledLookup(HWND window, u_int message, const char*, char* buffer, int size) {
    const auto task = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7100 + stalled.size()));
    stalled.push_back({window, message, buffer, size, task});
    return task;
}

// Runs the message loop until `done` holds.
template <class F>
void PumpUntil(F done) {
    while (!done()) {
        winui::WaitForMessage(100);
        winui::ProcessMessages();
    }
}

TEST(FtpLifetime, AWithdrawnLookupKeepsItsBufferUntilTheSystemAnswers) {
    ftptest::Watchdog watchdog(60);
    ftp::LookupStart& start = ftp::CurrentLookupStart();
    const ftp::LookupStart system = start;
    start = &StartStalledLookup;
    stalled.clear();
    {
        ftp::TAsyncSocket socket;
        socket.Host = "stalled.example";
        socket.TimeOut = 200;
        EXPECT_EQ(ErrorOf([&] { socket.Connect(); }), "Host Lookup Timed Out");
    }
    {
        // Freed by a handler while it waits, without a time-out.
        auto owner = std::make_unique<ftp::TAsyncSocket>();
        ftp::TAsyncSocket* socket = owner.get();
        socket->Host = "stalled.example";
        ftptest::CallLater(100, [&owner] { owner.reset(); });
        EXPECT_EQ(ErrorOf([&] { socket->Connect(); }), "Socket destroyed");
    }
    start = system;
    ASSERT_EQ(stalled.size(), 2u);
    EXPECT_EQ(ftp::PendingLookupCount(), 2u);

    // Memory the heap may hand out where a released buffer was.
    std::vector<std::vector<char>> blocks(64, std::vector<char>(MAXGETHOSTSTRUCT, 'A'));
    // The system answers late: it writes its buffer, then posts the message.
    for (const StalledLookup& lookup : stalled) {
        std::memset(lookup.buffer, 0x5A, static_cast<size_t>(lookup.size));
        PostMessageW(lookup.window, lookup.message, reinterpret_cast<WPARAM>(lookup.task),
                     WSAMAKEASYNCREPLY(0, WSAHOST_NOT_FOUND));
    }
    PumpUntil([] { return ftp::PendingLookupCount() == 0; });
    for (const auto& block : blocks) {
        EXPECT_EQ(std::count(block.begin(), block.end(), 'A'), MAXGETHOSTSTRUCT);
    }

    ftp::TAsyncSocket next;
    next.Host = "localhost";
    next.TimeOut = 5000;
    next.ResolveHost();
    EXPECT_EQ(next.RemoteAddress(), htonl(INADDR_LOOPBACK));
}

TEST(FtpLifetime, TheDownloaderLeavesAClientFreedDuringItsWaitAlone) {
    ScriptServer server(R"({"delay":{"RETR":1.0},"data_size":10})");
    REQUIRE_SERVER(server);
    ftptest::EventLog log;
    std::unique_ptr<ftp::TFtpClient> owner = ftptest::LoggedIn(server, log);
    update::FtpDownloader downloader(*owner);
    // Blocks the heap may hand out where the client was; nothing may write them.
    std::vector<std::vector<char>> blocks;
    ftptest::CallLater(200, [&owner, &blocks] {
        owner.reset();
        blocks.assign(64, std::vector<char>(sizeof(ftp::TFtpClient), 'A'));
    });
    const auto file = ftptest::TempDir() / "freed.bin";
    EXPECT_EQ(ErrorOf([&] { downloader.Download("a", file, -1); }), "Socket destroyed");
    ASSERT_EQ(blocks.size(), 64u);
    for (const auto& block : blocks) {
        EXPECT_EQ(std::count(block.begin(), block.end(), 'A'),
                  static_cast<std::ptrdiff_t>(block.size()));
    }
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(FtpDownloader, FailuresLeaveNothingBehind) {
    const struct {
        const char* name;
        const char* scenario;
        int64_t maxBytes;
    } cases[] = {
        {"fewer bytes than announced",
         R"({"replies":{"RETR":"150 Opening (50000 bytes)\r\n"},"data":"0123456789abcdef"})", -1},
        {"past the cap", R"({"replies":{"RETR":"150 Opening\r\n"},"data_size":50000})", 1000},
        {"refused", R"({"replies":{"RETR":"550 No such file\r\n"}})", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptServer server(c.scenario);
        REQUIRE_SERVER(server);
        ftptest::EventLog log;
        auto client = ftptest::LoggedIn(server, log);
        update::FtpDownloader downloader(*client);
        const auto file = ftptest::TempDir() / "downloader.tmp";
        EXPECT_THROW(downloader.Download("a", file, c.maxBytes), selvane::Exception);
        EXPECT_FALSE(std::filesystem::exists(file));
    }
}

TEST(FtpSocket, ASendThePeerNeverTakesEndsAtTheTimeOut) {
    ftptest::Watchdog watchdog(60);
    // The server stops reading after X; the send buffers fill up.
    ScriptServer server(R"({"delay":{"X":30}})");
    REQUIRE_SERVER(server);
    ftp::TAsyncSocket socket;
    socket.Host = "127.0.0.1";
    socket.Port = server.Port();
    socket.TimeOut = 1000;
    socket.Connect();
    socket.Writeln("X");
    const std::string chunk(60000, 'y');
    const std::string error = ErrorOf([&] {
        for (;;) socket.Write(chunk);
    });
    EXPECT_EQ(error, "Socket send aborted");
    EXPECT_FALSE(socket.Canceled());
}

TEST(FtpLifetime, ATimerFiresOneIntervalAfterItsLastRestartAndNeverWhenOff) {
    // Waits switch the time-out timer off and on all the time: each restart
    // must push the tick back, and a timer switched off must stay silent.
    ftptest::Watchdog watchdog(60);
    constexpr DWORD kInterval = 300;
    constexpr DWORD kTolerance = 20;  // the tick count's own granularity
    ftp::TWindowTimer timer;
    timer.SetEnabled(false);
    timer.SetInterval(kInterval);
    std::vector<DWORD> ticks;
    timer.SetOnTimer([&](ftp::TWindowTimer*) { ticks.push_back(GetTickCount()); });
    const auto pumpUntilTick = [](DWORD tick) {
        for (int32_t left; (left = static_cast<int32_t>(tick - GetTickCount())) > 0;) {
            winui::WaitForMessage(static_cast<DWORD>(left));
            winui::ProcessMessages();
        }
    };

    timer.SetEnabled(true);
    DWORD restarted = GetTickCount();
    for (int i = 0; i < 3; ++i) {
        pumpUntilTick(restarted + kInterval / 2);
        timer.SetEnabled(false);
        timer.SetEnabled(true);
        restarted = GetTickCount();
    }
    EXPECT_TRUE(ticks.empty());  // a whole interval has passed since the first start
    PumpUntil([&] { return ticks.size() == 2; });
    EXPECT_GE(static_cast<int32_t>(ticks[0] - restarted), int32_t{kInterval - kTolerance});
    EXPECT_GE(static_cast<int32_t>(ticks[1] - ticks[0]), int32_t{kInterval - kTolerance});

    timer.SetEnabled(false);
    const size_t count = ticks.size();
    pumpUntilTick(GetTickCount() + 3 * kInterval);
    EXPECT_EQ(ticks.size(), count);
}

TEST(FtpLifetime, ErrorsEscapingACallbackReachTheErrorPolicy) {
    ftptest::Watchdog watchdog(60);
    ftptest::EscapedErrors().clear();
    ftp::TWindowTimer timer;
    timer.SetInterval(10);
    timer.SetOnTimer([](ftp::TWindowTimer* self) {
        self->SetEnabled(false);
        throw selvane::Exception("from the timer");
    });
    PumpUntil([] { return ftptest::EscapedErrors().size() == 1; });

    ScriptServer server(R"({"replies":{"NOOP":"<close>"}})");
    REQUIRE_SERVER(server);
    ftptest::EventLog log;
    auto client = ftptest::LoggedIn(server, log);
    client->OnDisconnect = [](void*) { throw selvane::Exception("from the close"); };
    client->Writeln("NOOP");
    PumpUntil([] { return ftptest::EscapedErrors().size() == 2; });
    EXPECT_EQ(ftptest::EscapedErrors(), (Strings{"from the timer", "from the close"}));
    ftptest::EscapedErrors().clear();
}

}  // namespace
