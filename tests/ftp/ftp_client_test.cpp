// The FTP client against the scripted server: each case scripts the server's
// side and checks the events, the error and the commands that went over the wire.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_client_win.h"
#include "ftp_test_support_win.h"

namespace {

using ftptest::ErrorOf;
using ftptest::EventLog;
using ftptest::NewClient;
using ftptest::ScriptServer;
using Strings = std::vector<std::string>;

// Points `c` at the scripted server as its proxy, for ftp.example.org.
void ViaProxy(ftp::TFtpClient& c) {
    c.Proxy = "127.0.0.1";
    c.ProxyPort = c.Port;
    c.Host = "ftp.example.org";
}

struct LoginCase {
    const char* name;
    const char* scenario;
    void (*setup)(ftp::TFtpClient&);
    const char* error;
    Strings events;
    Strings commands;
};

TEST(FtpLogin, Table) {
    const LoginCase cases[] = {
        {"one-line greeting",
         R"({"greeting":"220 hi\r\n"})",
         nullptr,
         "",
         {"Connect"},
         {"USER user", "PASS pw"}},
        {"three-line greeting",
         R"({"greeting":"220-Welcome\r\n and a blank line start\r\n220 Ready\r\n"})",
         nullptr,
         "",
         {"Connect"},
         {"USER user", "PASS pw"}},
        {"greeting that ends early leaves a line for USER",
         R"({"greeting":"220-Welcome\r\n220 Ready\r\n230 stray\r\n"})",
         nullptr,
         "",
         {"Connect"},
         {"USER user"}},
        {"replies split in single bytes",
         R"({"trickle":true,"greeting":"220-a\r\n220 b\r\n"})",
         nullptr,
         "",
         {"Connect"},
         {"USER user", "PASS pw"}},
        {"230 without PASS",
         R"({"replies":{"USER":"230 Welcome\r\n"}})",
         nullptr,
         "",
         {"Connect"},
         {"USER user"}},
        {"331 then 332 is not a failure",
         R"({"replies":{"PASS":"332 Need account\r\n"}})",
         nullptr,
         "",
         {"Connect"},
         {"USER user", "PASS pw"}},
        {"331 then 530",
         R"({"replies":{"PASS":"530 Login incorrect\r\n"}})",
         nullptr,
         "530 Login incorrect\r\n",
         {"ConnectionFailed", "Disconnect"},
         {"USER user", "PASS pw", "QUIT"}},
        {"USER refused",
         R"({"replies":{"USER":"421 Too many\r\n"}})",
         nullptr,
         "421 Too many\r\n",
         {"ConnectionFailed", "Disconnect"},
         {"USER user", "QUIT"}},
        {"greeting refuses",
         R"({"greeting":"421 Busy\r\n"})",
         nullptr,
         "421 Busy\r\n",
         {"ConnectionFailed", "Disconnect"},
         {"QUIT"}},
        {"proxy USER name@host",
         R"({})",
         [](ftp::TFtpClient& c) {
             ViaProxy(c);
             c.Port = 1;  // not used with a proxy
         },
         "",
         {"Connect"},
         {"USER user@ftp.example.org", "PASS pw"}},
        {"proxy OPEN host",
         R"({"replies":{"OPEN":"220 Connected\r\n"}})",
         [](ftp::TFtpClient& c) {
             ViaProxy(c);
             c.FirewallType = ftp::FtOpen;
         },
         "",
         {"Connect"},
         {"OPEN ftp.example.org", "USER user", "PASS pw"}},
        {"proxy SITE host",
         R"({"replies":{"SITE":"220 Connected\r\n"}})",
         [](ftp::TFtpClient& c) {
             ViaProxy(c);
             c.FirewallType = ftp::FtSite;
         },
         "",
         {"Connect"},
         {"SITE ftp.example.org", "USER user", "PASS pw"}},
        {"firewall login first",
         R"({})",
         [](ftp::TFtpClient& c) {
             c.FWAuthenticate = true;
             c.FWUserID = "fw";
             c.FWPassword = "fwpw";
         },
         "",
         {"Connect"},
         {"USER fw", "PASS fwpw", "USER user", "PASS pw"}},
        {"authentication asked for when the password is empty",
         R"({})",
         [](ftp::TFtpClient& c) {
             c.Password.clear();
             c.OnAuthenticationNeeded = [&c](bool&) { c.Password = "given"; };
         },
         "",
         {"Connect"},
         {"USER user", "PASS given"}},
        // The server hangs up instead of answering: no OnConnect on a dead connection.
        {"closed instead of the PASS reply",
         R"({"replies":{"PASS":"<close>"}})",
         nullptr,
         "Connection closed by the server",
         {"Disconnect", "ConnectionFailed"},
         {"USER user", "PASS pw"}},
        {"closed instead of a greeting",
         R"({"greeting":"<close>"})",
         nullptr,
         "Connection closed by the server",
         {"Disconnect", "ConnectionFailed"},
         {}},
        {"NUL in a reply",
         R"({"replies":{"USER":"331 pass\u0000word\r\n"}})",
         nullptr,
         "Malformed reply from the server",
         {"Disconnect"},
         {"USER user", "QUIT"}},
    };
    for (const LoginCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptServer server(c.scenario);
        REQUIRE_SERVER(server);
        EventLog log;
        auto client = NewClient(server, log);
        if (c.setup) c.setup(*client);
        EXPECT_EQ(ErrorOf([&] { client->Connect(); }), c.error);
        // A hang-up may be noticed by the read or by the close notification first.
        Strings events = log.events, expected = c.events;
        std::sort(events.begin(), events.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(events, expected);
        EXPECT_EQ(client->Connected(), std::string(c.error).empty());
        client.reset();  // a logged-in client goes without QUIT
        EXPECT_EQ(server.Commands(), c.commands);
    }
}

TEST(FtpLogin, OverlongReplyLineFailsCleanly) {
    const std::string huge(70000, 'x');
    ScriptServer server(R"({"replies":{"USER":"331 )" + huge + R"(\r\n"}})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = NewClient(server, log);
    EXPECT_EQ(ErrorOf([&] { client->Connect(); }), "Reply line too long");
    EXPECT_FALSE(client->Connected());
    EXPECT_EQ(log.Count("Connect"), 0);
}

TEST(FtpLogin, SilentServerTimesOutLikeAConnect) {
    ftptest::Watchdog watchdog(60);
    const char* scenarios[] = {
        R"({"greeting":""})",          // accepts, never greets
        R"({"replies":{"USER":""}})",  // greets, never answers USER
    };
    for (const char* scenario : scenarios) {
        SCOPED_TRACE(scenario);
        ScriptServer server(scenario);
        REQUIRE_SERVER(server);
        EventLog log;
        auto client = NewClient(server, log);
        client->TimeOut = 500;
        EXPECT_EQ(ErrorOf([&] { client->Connect(); }), "Connection Timed out");
        EXPECT_EQ(log.events, (Strings{"ConnectionFailed", "Disconnect"}));
        EXPECT_FALSE(client->Connected());
        const Strings commands = server.Commands();
        EXPECT_TRUE(commands.empty() || commands == Strings{"USER user"});
    }
}

TEST(FtpLogin, CancelDuringALoginReplyEndsItAndQuits) {
    ScriptServer server(R"({"delay":{"PASS":1.5}})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = NewClient(server, log);
    ftp::TFtpClient* raw = client.get();
    ftptest::CallLater(400, [raw] { raw->Cancel(); });
    EXPECT_EQ(ErrorOf([&] { client->Connect(); }), "Socket readln aborted");
    EXPECT_EQ(log.events, Strings{"Disconnect"});
    EXPECT_EQ(server.Commands(), (Strings{"USER user", "PASS pw", "QUIT"}));
}

TEST(FtpSocket, ConnectFailuresAndTimeOuts) {
    ftptest::Watchdog watchdog(60);
    {  // refused: a connect notification with an error code, no OnError
        ScriptServer server(R"({})");
        REQUIRE_SERVER(server);
        EventLog log;
        auto client = NewClient(server, log);
        client->Port = 1;
        EXPECT_EQ(ErrorOf([&] { client->Connect(); }), "Connection Failed");
        EXPECT_EQ(log.events, Strings{"ConnectionFailed"});
    }
    {  // nobody answers the connect: TimeOut 500 ends it
        ScriptServer server(R"({"blackhole":true})");
        EventLog log;
        auto client = NewClient(server, log);
        client->TimeOut = 500;
        EXPECT_EQ(ErrorOf([&] { client->Connect(); }), "Connection Timed out");
        EXPECT_EQ(log.events, Strings{"ConnectionFailed"});
        EXPECT_TRUE(client->Canceled() || client->TimedOut());
    }
    {  // without a time-out only Cancel ends it
        ScriptServer server(R"({"blackhole":true})");
        EventLog log;
        auto client = NewClient(server, log);
        client->TimeOut = 0;
        ftp::TFtpClient* raw = client.get();
        ftptest::CallLater(300, [raw] { raw->Cancel(); });
        EXPECT_EQ(ErrorOf([&] { client->Connect(); }), "Connection Canceled");
    }
}

TEST(FtpSocket, UnresolvableHostAndTheInvalidHostRetry) {
    ScriptServer server(R"({})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = NewClient(server, log);
    client->Host = "no-such-host.invalid";
    int asked = 0;
    client->OnInvalidHost = [&](bool& handled) {
        ++asked;
        handled = true;
        client->Host = "127.0.0.1";
    };
    client->Connect();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(client->Connected());

    auto second = NewClient(server, log);
    second->Host = "no-such-host.invalid";
    asked = 0;
    second->OnInvalidHost = [&](bool& handled) {
        ++asked;
        handled = true;
    };
    EXPECT_EQ(ErrorOf([&] { second->Connect(); }), "Null Remote Address");
    EXPECT_EQ(asked, 1);
}

TEST(FtpSocket, PlainSocketLinesTransactionsAndZeroBytes) {
    ScriptServer server(R"({"replies":{"NOOP":" 200 leading blank\r\n","ABEF":"200 OK\r\n"}})");
    REQUIRE_SERVER(server);
    ftp::TAsyncSocket socket;
    socket.Host = "127.0.0.1";
    socket.Port = server.Port();
    socket.TimeOut = 5000;
    socket.Connect();
    EXPECT_EQ(socket.ReadLn(), "220 ready\r\n");
    socket.Transaction("NOOP");
    EXPECT_EQ(socket.ReplyNumber(), 0);
    EXPECT_EQ(socket.LastReply(), " 200 leading blank\r\n");
    socket.Writeln(std::string("AB\0CD", 5));  // only "AB" leaves, without its line end
    EXPECT_EQ(socket.Transaction("EF"), "200 OK\r\n");
    EXPECT_EQ(socket.ReplyNumber(), 200);
    EXPECT_EQ(socket.Read(0), "");
    socket.Disconnect();
    EXPECT_EQ(server.Commands(), (Strings{"NOOP", "ABEF"}));
}

TEST(FtpLogin, DisconnectSendsQuitAndDestructionSendsNothing) {
    ScriptServer server(R"({})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = NewClient(server, log);
    client->Connect();
    client->Connect();  // connected already: nothing happens
    client->Disconnect();
    client->Disconnect();  // closed already: nothing happens
    EXPECT_EQ(log.events, (Strings{"Connect", "Disconnect"}));
    EXPECT_EQ(server.Commands(), (Strings{"USER user", "PASS pw", "QUIT"}));

    ScriptServer second(R"({})");
    EventLog quiet;
    auto other = NewClient(second, quiet);
    other->Connect();
    quiet.events.clear();
    quiet.statuses.clear();
    other.reset();
    EXPECT_TRUE(quiet.events.empty());
    EXPECT_TRUE(quiet.statuses.empty());
    EXPECT_EQ(second.Commands(), (Strings{"USER user", "PASS pw"}));
}

}  // namespace
