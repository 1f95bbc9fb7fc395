// Downloads and name lists against the scripted server.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ftp/ftp_client_win.h"
#include "ftp_test_support_win.h"

namespace {

using ftptest::ErrorOf;
using ftptest::EventLog;
using ftptest::LoggedIn;
using ftptest::ScriptServer;
using Strings = std::vector<std::string>;

// The events without the close notifications, whose moment depends on timing.
Strings Steps(const EventLog& log) {
    Strings steps;
    for (const auto& e : log.events) {
        if (e != "Disconnect") steps.push_back(e);
    }
    return steps;
}

bool Contains(const Strings& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

const Strings kSuccess = {"TransactionStart", "Packet", "TransactionStop", "TransactionStop",
                          "Success 9"};

struct DownloadCase {
    const char* name;
    const char* scenario;
    bool passive;
    int timeOut;
    bool handleFailure;
    const char* error;
    Strings events;
    int32_t bytesAtStart;  // -1: no OnTransactionStart
    std::string data;      // the file's contents afterwards (after a failure: when set)
    int64_t maxBytes = -1;
    int idleTimeOut = 0;
};

// Announces 50,000 bytes and sends 16, or announces 16 and sends 50,000.
constexpr char kShortData[] =
    R"({"replies":{"RETR":"150 Opening (50000 bytes)\r\n"},"data":"0123456789abcdef"})";
constexpr char kLongData[] =
    R"({"replies":{"RETR":"150 Opening (16 bytes)\r\n"},"data_size":50000})";
const Strings kShortFailure = {"TransactionStart", "Packet", "TransactionStop", "TransactionStop",
                               "Failure 9"};
constexpr int kHours = 50000000;  // the update run's time-out after login

TEST(FtpDownload, Table) {
    const DownloadCase cases[] = {
        {"active, count in the reply",
         R"({"replies":{"RETR":"150 Opening data connection for a.gz (2048 bytes).\r\n"},"data_size":2048})",
         false, 5000, false, "", kSuccess, 2048, ftptest::Pattern(2048)},
        {"passive: the reply's address is ignored, its port used",
         R"({"replies":{"PASV":"227 Entering Passive Mode (10,0,0,1,{p1},{p2})\r\n"},"data_size":100000,"chunk":30000,"chunk_delay":0.02})",
         true, 5000, false, "", kSuccess, 100000, ftptest::Pattern(100000)},
        {"no byte count", R"({"replies":{"RETR":"150 Opening BINARY mode\r\n"},"data":"hello"})",
         false, 5000, false, "", kSuccess, 0, "hello"},
        {"count in the last line of a longer reply",
         R"({"replies":{"RETR":"150-Opening\r\n150 Here (77 bytes)\r\n"},"data_size":77})", true,
         5000, false, "", kSuccess, 77, ftptest::Pattern(77)},
        {"zero-byte file",
         R"({"data":""})",
         false,
         5000,
         false,
         "",
         {"TransactionStart", "TransactionStop", "TransactionStop", "Success 9"},
         0,
         ""},
        {"data trickles in", R"({"data_size":50000,"chunk":5000,"chunk_delay":0.01})", true, 5000,
         false, "", kSuccess, 50000, ftptest::Pattern(50000)},
        {"final reply before the data connection closes",
         R"({"data_size":30000,"chunk":10000,"chunk_delay":0.05,"final_first":true})", false, 5000,
         false, "", kSuccess, 30000, ftptest::Pattern(30000)},
        {"RETR refused",
         R"({"replies":{"RETR":"550 No such file\r\n"}})",
         false,
         5000,
         false,
         "550 No such file\r\n",
         {"Failure 9", "Failure 9"},
         -1,
         ""},
        {"RETR refused, the handler takes it",
         R"({"replies":{"RETR":"550 No such file\r\n"}})",
         false,
         5000,
         true,
         "",
         {"Failure 9"},
         -1,
         ""},
        {"PORT refused",
         R"({"replies":{"PORT":"500 Illegal PORT\r\n"}})",
         false,
         5000,
         false,
         "500 Illegal PORT\r\n",
         {"Failure 9", "Failure 9"},
         -1,
         ""},
        {"PASV refused",
         R"({"replies":{"PASV":"502 No passive\r\n"}})",
         true,
         5000,
         false,
         "502 No passive\r\n",
         {"Failure 9", "Failure 9"},
         -1,
         ""},
        {"PASV reply without its parenthesis",
         R"({"replies":{"PASV":"227 Entering Passive Mode (127,0,0,1,1,2\r\n"}})",
         true,
         5000,
         false,
         "Malformed passive reply",
         {"Failure 9"},
         -1,
         ""},
        // A transfer the server reports as failed is not a success.
        {"final reply 426",
         R"({"data_size":1000,"final":"426 Transfer aborted\r\n"})",
         false,
         5000,
         false,
         "426 Transfer aborted\r\n",
         {"TransactionStart", "Packet", "TransactionStop", "TransactionStop", "Failure 9",
          "Failure 9"},
         1000,
         ""},
        {"control connection closed before the final reply",
         R"({"data_size":1000,"final":"<close>"})",
         true,
         5000,
         false,
         "Connection closed by the server",
         {"TransactionStart", "Packet", "TransactionStop", "TransactionStop", "Failure 9",
          "Failure 9"},
         1000,
         ""},
        {"the server never opens the data connection",
         R"({"data_mode":"never"})",
         false,
         500,
         false,
         "Accepting Canceled",
         {"Failure 9"},
         -1,
         ""},
        {"the passive data connection stays silent",
         R"({"data_mode":"never"})",
         true,
         500,
         false,
         "Socket send aborted",
         {"TransactionStart", "Failure 9"},
         0,
         ""},
        {"PASV answered by a hang-up",
         R"({"replies":{"PASV":"<close>"}})",
         true,
         5000,
         false,
         "Connection closed by the server",
         {"Failure 9", "Failure 9"},
         -1,
         ""},
        {"the reply code before \"bytes\" is no count to hold the data to",
         R"({"replies":{"RETR":"150 Here come the bytes\r\n"},"data_size":5000})", false, 5000,
         false, "", kSuccess, 150, ftptest::Pattern(5000)},
        // The server's 226 does not make a short transfer whole.
        {"fewer bytes than announced, active", kShortData, false, 5000, false,
         "Transfer ended after 16 of 50000 bytes", kShortFailure, 50000, ""},
        {"fewer bytes than announced, passive", kShortData, true, 5000, false,
         "Transfer ended after 16 of 50000 bytes", kShortFailure, 50000, ""},
        {"more bytes than announced: nothing past the count is written",
         kLongData,
         true,
         5000,
         false,
         "More data than the 16 bytes announced",
         {"TransactionStart", "Failure 9"},
         16,
         ftptest::Pattern(16)},
        {"past the cap: nothing past it is written",
         R"({"replies":{"RETR":"150 Opening BINARY mode\r\n"},"data_size":50000})",
         false,
         5000,
         false,
         "Download larger than 1000 bytes",
         {"TransactionStart", "Failure 9"},
         0,
         ftptest::Pattern(1000),
         1000},
        {"idle: the server never connects",
         R"({"data_mode":"never"})",
         false,
         kHours,
         false,
         "Accepting Canceled",
         {"Failure 9"},
         -1,
         "",
         -1,
         300},
        {"idle: the data stops coming",
         R"({"data_size":1000,"data_mode":"hold","hold_seconds":5})",
         true,
         kHours,
         false,
         "Socket send aborted",
         {"TransactionStart", "Packet", "Failure 9"},
         1000,
         ftptest::Pattern(1000),
         -1,
         300},
        {"idle: slow data that keeps coming is never cut",
         R"({"data_size":5000,"chunk":1000,"chunk_delay":0.15})", true, kHours, false, "", kSuccess,
         5000, ftptest::Pattern(5000), -1, 400},
    };
    const auto dir = ftptest::TempDir();
    for (const DownloadCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptServer server(c.scenario);
        REQUIRE_SERVER(server);
        EventLog log;
        auto client = LoggedIn(server, log);
        client->Passive = c.passive;
        client->TimeOut = c.timeOut;
        client->IdleTimeOut = c.idleTimeOut;
        client->MaxBytes = c.maxBytes;
        log.handleFailure = c.handleFailure;
        const auto file = dir / "download.bin";
        std::filesystem::remove(file);
        EXPECT_EQ(ErrorOf([&] { client->Download("a.gz", file); }), c.error);
        EXPECT_EQ(Steps(log), c.events);
        EXPECT_EQ(log.bytesTotalAtStart, c.bytesAtStart);
        EXPECT_EQ(client->DataSocket(), nullptr);
        EXPECT_EQ(client->BytesRecvd(), 0);
        if (std::string(c.error).empty() && !c.handleFailure) {
            EXPECT_EQ(ftptest::ReadFile(file), c.data);
            EXPECT_EQ(client->BytesTotal(), static_cast<int32_t>(c.data.size()));
        } else if (!c.data.empty()) {
            EXPECT_EQ(ftptest::ReadFile(file), c.data);
        }
        client.reset();
        const Strings commands = server.Commands();
        ASSERT_GE(commands.size(), 4u);
        EXPECT_EQ(commands[2], "TYPE I");
        if (c.passive) {
            EXPECT_EQ(commands[3], "PASV");
        } else {
            EXPECT_EQ(commands[3].rfind("PORT 127,0,0,1,", 0), 0u) << commands[3];
        }
        EXPECT_FALSE(Contains(commands, "ABOR"));
    }
}

TEST(FtpDownload, DataTimeOutCountsFromTheStart) {
    // Three seconds of steady data; a time-out of one second still ends it.
    ftptest::Watchdog watchdog(60);
    ScriptServer server(R"({"data_size":30000,"chunk":1000,"chunk_delay":0.1})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    client->TimeOut = 1000;
    const auto file = ftptest::TempDir() / "slow.bin";
    EXPECT_EQ(ErrorOf([&] { client->Download("big", file); }), "Socket send aborted");
    EXPECT_EQ(log.Count("Failure 9"), 1);
    EXPECT_GT(std::filesystem::file_size(file), 0u);
    EXPECT_LT(std::filesystem::file_size(file), 30000u);  // cut while data still came
}

TEST(FtpDownload, CancelDuringTheDataLetsItFinishThenAborts) {
    ScriptServer server(R"({"data_size":20000,"chunk":2000,"chunk_delay":0.1})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    ftp::TFtpClient* raw = client.get();
    client->OnPacketRecvd = [raw, &log](void*) {
        if (log.events.back() != "Packet") raw->Cancel();
        if (log.events.back() != "Packet") log.events.push_back("Packet");
    };
    const auto file = ftptest::TempDir() / "cancelled.bin";
    client->Download("a", file);
    EXPECT_EQ(Steps(log), kSuccess);
    EXPECT_EQ(ftptest::ReadFile(file), ftptest::Pattern(20000));
    EXPECT_FALSE(client->Canceled());
    client.reset();
    const Strings commands = server.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "ABOR");
}

TEST(FtpDownload, CancelDuringTheRetrReplyFailsWithoutAbor) {
    ScriptServer server(R"({"delay":{"RETR":1.0},"data_size":10})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    ftp::TFtpClient* raw = client.get();
    ftptest::CallLater(300, [raw] { raw->Cancel(); });
    EXPECT_EQ(ErrorOf([&] { client->Download("a", ftptest::TempDir() / "x.bin"); }),
              "Socket readln aborted");
    EXPECT_EQ(Steps(log), Strings{"Failure 9"});
    client.reset();
    EXPECT_FALSE(Contains(server.Commands(), "ABOR"));
}

// The system's close notification for a data connection that was reset.
void PostResetClose(ftp::TAsyncSocket* data) {
    PostMessageW(data->SocketWindow(), ftp::WM_SOCKET_EVENT, data->Socket(),
                 WSAMAKESELECTREPLY(FD_CLOSE, WSAECONNRESET));
}

TEST(FtpTransfer, ACloseWithAnErrorIsAFailure) {
    // Part of the data, then a close carrying an error: no success, whatever
    // the server replies afterwards.
    for (bool passive : {false, true}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        ScriptServer server(R"({"data_size":20000,"chunk":5000,"chunk_delay":0.1})");
        REQUIRE_SERVER(server);
        EventLog log;
        auto client = LoggedIn(server, log);
        client->Passive = passive;
        ftp::TFtpClient* raw = client.get();
        bool posted = false;
        client->OnPacketRecvd = [raw, &posted](void*) {
            if (!std::exchange(posted, true)) PostResetClose(raw->DataSocket());
        };
        EXPECT_EQ(ErrorOf([&] { client->Download("a", ftptest::TempDir() / "reset.bin"); }),
                  "10054:Connection reset by peer");
        EXPECT_EQ(log.Count("Success 9"), 0);
    }
    ScriptServer server(R"({"data":"a\r\nb\r\nc\r\n","chunk":3,"chunk_delay":0.1})");
    EventLog log;
    auto client = LoggedIn(server, log);
    ftp::TFtpClient* raw = client.get();
    client->OnListItem = [raw](const std::string& item) {
        if (item == "a") PostResetClose(raw->DataSocket());
    };
    EXPECT_EQ(ErrorOf([&] { client->NList(); }), "10054:Connection reset by peer");
}

TEST(FtpDownload, EmptyLocalNameAndRefusedNamesAndNoConnection) {
    ScriptServer server(R"({"data":"named"})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    const auto dir = ftptest::TempDir() / "here";
    std::filesystem::create_directories(dir);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::filesystem::remove(dir / "remote.txt");
    std::filesystem::remove(dir.parent_path() / "outside1.gz");
    client->Download("remote.txt", "");
    // Only the last component of a remote name becomes a local name.
    client->Download("..\\outside1.gz", "");
    client->Download("../sub/outside2.gz", "");
    const std::string refused = ErrorOf([&] { client->Download("sub/..", ""); });
    std::filesystem::current_path(previous);
    EXPECT_EQ(ftptest::ReadFile(dir / "remote.txt"), "named");
    EXPECT_EQ(ftptest::ReadFile(dir / "outside1.gz"), "named");
    EXPECT_EQ(ftptest::ReadFile(dir / "outside2.gz"), "named");
    EXPECT_FALSE(std::filesystem::exists(dir.parent_path() / "outside1.gz"));
    EXPECT_EQ(refused, "Refused local file name for sub/..");

    log.events.clear();
    EXPECT_EQ(ErrorOf([&] { client->Download("a\r\nDELE b", dir / "y"); }),
              "Refused command with a line break or NUL");
    EXPECT_EQ(log.Count("Failure 9"), 1);
    client.reset();
    EXPECT_FALSE(Contains(server.Commands(), "DELE b"));

    EventLog offline;
    ftp::TFtpClient idle;
    offline.Attach(idle);
    EXPECT_EQ(ErrorOf([&] { idle.Download("a", dir / "z"); }), "Not Connected");
    EXPECT_EQ(offline.events, Strings{"Failure 9"});
    EXPECT_EQ(ErrorOf([&] { idle.NList(); }), "Not Connected");
    EXPECT_EQ(offline.events, Strings{"Failure 9"});
}

struct ListCase {
    const char* name;
    const char* scenario;
    const char* error;
    Strings items;
    int idleTimeOut = 0;  // with it, the time-out is the update run's hours
};

TEST(FtpNList, Table) {
    const ListCase cases[] = {
        {"line ends trimmed, short lines kept",
         R"({"data":"a.txt\r\nb.gz\nc\n"})",
         "",
         {"a.txt", "b.gz", "c\n"}},
        {"a last line without its line end", R"({"data":"a\r\nlast"})", "", {"a", "last"}},
        {"the final reply overtakes the data",
         R"({"data":"one\r\ntwo\r\nthree\r\n","chunk":5,"chunk_delay":0.1,"final_first":true})",
         "",
         {"one", "two", "three"}},
        {"an empty listing", R"({"data":""})", "", {}},
        {"NLST refused", R"({"replies":{"NLST":"550 No files\r\n"}})", "550 No files\r\n", {}},
        {"final reply 426",
         R"({"data":"a\r\n","final":"426 Aborted\r\n"})",
         "426 Aborted\r\n",
         {"a"}},
        {"idle: the listing stops coming",
         R"({"data":"a\r\n","data_mode":"hold","hold_seconds":5})",
         "Socket readln aborted",
         {"a"},
         300},
        {"idle: the server never connects",
         R"({"data_mode":"never"})",
         "Accepting Canceled",
         {},
         300},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptServer server(c.scenario);
        REQUIRE_SERVER(server);
        EventLog log;
        auto client = LoggedIn(server, log);
        if (c.idleTimeOut) {
            client->TimeOut = kHours;
            client->IdleTimeOut = c.idleTimeOut;
        }
        EXPECT_EQ(ErrorOf([&] { client->NList(); }), c.error);
        Strings items;
        for (const auto& e : log.events) {
            if (e.rfind("Item ", 0) == 0) items.push_back(e.substr(5));
        }
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(log.Count("Success 13"), std::string(c.error).empty() ? 1 : 0);
        EXPECT_EQ(log.Count("Failure 13") + log.Count("Failure 9"), 0);
        EXPECT_EQ(client->BytesTotal(), 0);
        if (std::string(c.error).empty()) {
            EXPECT_TRUE(Contains(log.statuses, "Received 0 Bytes"));
        }
        client.reset();
        const Strings commands = server.Commands();
        ASSERT_GE(commands.size(), 4u);
        EXPECT_EQ(commands[2].rfind("PORT 127,0,0,1,", 0), 0u);
        EXPECT_EQ(commands[3], "NLST");
    }
}

TEST(FtpNList, CancelDuringTheListingDeliversAllAndDrains) {
    ScriptServer server(R"({"data":"a\r\nb\r\nc\r\n","chunk":3,"chunk_delay":0.1})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    ftp::TFtpClient* raw = client.get();
    std::string nested;
    client->OnListItem = [raw, &log, &nested](const std::string& item) {
        if (item == "a") raw->Cancel();
        if (item == "b") nested = ErrorOf([raw] { raw->Download("x", "x"); });
        log.events.push_back("Item " + item);
    };
    client->NList();
    EXPECT_EQ(Steps(log), (Strings{"TransactionStart", "Item a", "Item b", "Item c",
                                   "TransactionStop", "Success 13"}));
    EXPECT_FALSE(client->Canceled());
    EXPECT_EQ(nested, "A transfer is already running");
    client.reset();
    EXPECT_FALSE(Contains(server.Commands(), "ABOR"));
}

}  // namespace

namespace {

TEST(FtpLifetime, DestroyedByAHandlerDuringAWait) {
    // The owner frees the client from a handler that runs inside the RETR
    // reply wait (an exit button): the wait leaves without touching it again.
    ScriptServer server(R"({"delay":{"RETR":1.0},"data_size":10})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    ftp::TFtpClient* raw = client.release();
    ftptest::CallLater(200, [raw] { delete raw; });
    EXPECT_EQ(ErrorOf([&] { raw->Download("a", ftptest::TempDir() / "gone.bin"); }),
              "Socket destroyed");
    EXPECT_EQ(ftp::TAsyncSocket::LiveCount(), 0);
}

TEST(FtpLifetime, StaleSocketMessagesAreIgnored) {
    ScriptServer server(R"({"data":"a\r\n"})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    // Notifications for a socket that is not the live one: a close and a failed connect.
    const WPARAM stale = client->Socket() + 4;
    PostMessageW(client->SocketWindow(), ftp::WM_SOCKET_EVENT, stale, FD_CLOSE);
    PostMessageW(client->SocketWindow(), ftp::WM_SOCKET_EVENT, stale,
                 WSAMAKESELECTREPLY(FD_CONNECT, WSAECONNREFUSED));
    PostMessageW(client->SocketWindow(), ftp::WM_SOCKET_LOOKUP, stale, FD_ACCEPT);
    Sleep(50);
    ftptest::CallLater(0, [] {});
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_TRUE(client->Connected());
    EXPECT_TRUE(client->LastEventOk());
    client->NList();
    EXPECT_EQ(log.Count("Item a"), 1);
}

TEST(FtpLifetime, AReusedDataConnectionIgnoresNotificationsOfItsLastUse) {
    // The data connection's component serves one transfer after another. A
    // close notification of the last transfer that is still queued, carrying
    // the handle value that the next socket has (the system gives closed
    // handle values out again), must not close the next data connection.
    ScriptServer server(R"({"data":"0123456789"})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    ftp::TFtpClient* raw = client.get();
    int stops = 0;
    client->OnTransactionStop = [&](void*) {
        if (++stops != 2) return;  // the second one comes after the data connection's close
        const ftp::TAsyncSocket* data = raw->DataSocket();
        PostMessageW(data->SocketWindow(), ftp::WM_SOCKET_EVENT, data->Socket(), FD_CLOSE);
    };
    const auto file = ftptest::TempDir() / "reused.bin";
    client->Download("a", file);
    client->OnTransactionStop = nullptr;
    std::filesystem::remove(file);
    EXPECT_EQ(ErrorOf([&] { client->Download("a", file); }), "");
    EXPECT_EQ(ftptest::ReadFile(file), "0123456789");
}

TEST(FtpLifetime, HostNamesAreLookedUp) {
    ScriptServer server(R"({})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = ftptest::ClientFor(server);
    client->Host = "localhost";
    int resolved = 0;
    client->OnHostResolved = [&](void*) { ++resolved; };
    client->Connect();
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(client->RemoteAddress(), htonl(INADDR_LOOPBACK));

    auto direct = ftptest::ClientFor(server);
    direct->OnHostResolved = [&](void*) { ++resolved; };
    direct->Connect();
    EXPECT_EQ(resolved, 1);  // an address needs no lookup
}

}  // namespace
