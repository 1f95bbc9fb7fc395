// Passive fallback when the server cannot connect back, and restarted
// downloads (REST), against the scripted server.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "ftp/ftp_client_win.h"
#include "ftp_test_support_win.h"
#include "update/ftp_downloader_win.h"

namespace {

using ftptest::ErrorOf;
using ftptest::EventLog;
using ftptest::LoggedIn;
using ftptest::ScriptServer;
using Strings = std::vector<std::string>;

constexpr int kHours = 50000000;  // the update run's time-out after login

// The command verbs after the login, PORT's address left out.
Strings VerbsAfterLogin(const Strings& commands) {
    Strings verbs;
    for (size_t i = 2; i < commands.size(); ++i) {
        if (commands[i] == "QUIT") continue;
        verbs.push_back(commands[i].substr(0, commands[i].find(' ')));
    }
    return verbs;
}

struct FallbackCase {
    const char* name;
    const char* scenario;
    bool list;  // NList, else Download
    const char* error;
    Strings verbs;
};

TEST(FtpPassiveFallback, Table) {
    ftptest::Watchdog watchdog(120);
    constexpr char kLate[] = R"("active_late":"425 Can't open data connection\r\n")";
    const std::string neverBack = R"({"no_active":true,"data_size":3000})";
    const std::string neverBackLate =
        std::string(R"({"no_active":true,)") + kLate + R"(,"data_size":3000})";
    const std::string listLate =
        std::string(R"({"no_active":true,)") + kLate + R"(,"data":"a\r\nb\r\n"})";
    const FallbackCase cases[] = {
        {"never connects back",
         neverBack.c_str(),
         false,
         "",
         {"TYPE", "PORT", "RETR", "PASV", "RETR"}},
        {"never connects back, then says so",
         neverBackLate.c_str(),
         false,
         "",
         {"TYPE", "PORT", "RETR", "PASV", "RETR"}},
        {"listing: never connects back, then says so",
         listLate.c_str(),
         true,
         "",
         {"PORT", "NLST", "PASV", "NLST"}},
        {"RETR answered 425: the server could not connect",
         R"({"replies":{"RETR":["425 Failed to establish connection.\r\n","150 Here ({size} bytes)\r\n"]},"data_size":3000})",
         false,
         "",
         {"TYPE", "PORT", "RETR", "PASV", "RETR"}},
        {"listing: NLST answered 425",
         R"({"replies":{"NLST":["425 Can't open data connection.\r\n","150 Here\r\n"]},"data":"a\r\nb\r\n"})",
         true,
         "",
         {"PORT", "NLST", "PASV", "NLST"}},
        {"PORT refused",
         R"({"replies":{"PORT":"500 Illegal PORT\r\n"},"data_size":3000})",
         false,
         "",
         {"TYPE", "PORT", "PASV", "RETR"}},
        {"listing: PORT refused",
         R"({"replies":{"PORT":"550 Permission denied\r\n"},"data":"a\r\nb\r\n"})",
         true,
         "",
         {"PORT", "PASV", "NLST"}},
        {"PASV refused too",
         R"({"replies":{"PORT":"500 Illegal PORT\r\n","PASV":"502 No passive\r\n"}})",
         false,
         "502 No passive\r\n",
         {"TYPE", "PORT", "PASV"}},
        {"listing: PASV refused too",
         R"({"replies":{"PORT":"500 Illegal PORT\r\n","PASV":"502 No passive\r\n"}})",
         true,
         "502 No passive\r\n",
         {"PORT", "PASV"}},
    };
    const auto file = ftptest::TempDir() / "fallback.bin";
    for (const FallbackCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptServer server(c.scenario);
        REQUIRE_SERVER(server);
        EventLog log;
        auto client = LoggedIn(server, log);
        // As the update run sets it: the accept wait is bounded by the idle
        // time-out, not by the hours-long time-out after the login.
        client->TimeOut = kHours;
        client->IdleTimeOut = 500;
        client->PassiveFallback = true;
        std::filesystem::remove(file);
        EXPECT_EQ(ErrorOf([&] { c.list ? client->NList() : client->Download("a.gz", file); }),
                  c.error);
        const bool ok = std::string(c.error).empty();
        if (c.list) {
            EXPECT_EQ(log.Count("Item a") + log.Count("Item b"), ok ? 2 : 0);
        } else {
            if (ok) {
                EXPECT_EQ(ftptest::ReadFile(file), ftptest::Pattern(3000));
            }
            EXPECT_EQ(log.Count("Success 9"), ok ? 1 : 0);
            EXPECT_EQ(log.Count("TransactionStart"), ok ? 1 : 0);
        }
        // The rest of the connection's life is passive.
        EXPECT_TRUE(client->Passive);
        client.reset();
        EXPECT_EQ(VerbsAfterLogin(server.Commands()), c.verbs);
    }
}

TEST(FtpPassiveFallback, StaysPassiveAndIsOffByDefault) {
    ftptest::Watchdog watchdog(60);
    ScriptServer server(R"({"replies":{"PORT":"500 Illegal PORT\r\n"},"data":"a\r\n"})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    client->PassiveFallback = true;
    client->NList();
    client->Download("a", ftptest::TempDir() / "second.bin");
    client->NList();
    client.reset();
    EXPECT_EQ(VerbsAfterLogin(server.Commands()),
              (Strings{"PORT", "PASV", "NLST", "TYPE", "PASV", "RETR", "PASV", "NLST"}));

    // Without the fallback a refused PORT fails the listing, as it always did.
    EventLog plain;
    auto strict = LoggedIn(server, plain);
    EXPECT_EQ(ErrorOf([&] { strict->NList(); }), "500 Illegal PORT\r\n");
    EXPECT_FALSE(strict->Passive);
}

struct RestartCase {
    const char* name;
    const char* scenario;
    bool passive;
    bool accepted;
    std::string data;  // what the local file holds afterwards
};

TEST(FtpDownload, RestartAt) {
    const std::string whole = ftptest::Pattern(3000);
    const RestartCase cases[] = {
        // The reply announces the whole file's 3000 bytes: after a restart
        // that count is not held against the 2000 that come.
        {"accepted", R"({"data_size":3000})", false, true, whole.substr(1000)},
        {"accepted, passive", R"({"data_size":3000})", true, true, whole.substr(1000)},
        {"refused: the whole file",
         R"({"replies":{"REST":"502 Command not implemented\r\n"},"data_size":3000})", true, false,
         whole},
    };
    for (const RestartCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptServer server(c.scenario);
        REQUIRE_SERVER(server);
        EventLog log;
        auto client = LoggedIn(server, log);
        client->Passive = c.passive;
        const auto file = ftptest::TempDir() / "rest.bin";
        client->Download("a", file, -1, 1000);
        EXPECT_EQ(client->RestartAccepted(), c.accepted);
        EXPECT_TRUE(ftptest::ReadFile(file) == c.data);
        EXPECT_EQ(client->BytesTotal(), static_cast<int32_t>(c.data.size()));
        client.reset();
        const Strings verbs = VerbsAfterLogin(server.Commands());
        ASSERT_EQ(verbs.size(), 4u);
        EXPECT_EQ(verbs[2], "REST");
        EXPECT_EQ(verbs[3], "RETR");
    }
}

TEST(FtpDownloader, ResumeAppendsTheRestOrTakesTheWholeFile) {
    const std::string whole = ftptest::Pattern(3000);
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "REST refused" : "REST accepted");
        ScriptServer server(refused ? R"({"replies":{"REST":"500 No\r\n"},"data_size":3000})"
                                    : R"({"data_size":3000})");
        REQUIRE_SERVER(server);
        EventLog log;
        auto client = LoggedIn(server, log);
        const auto file = ftptest::TempDir() / "partial.bin";
        { std::ofstream(file, std::ios::binary | std::ios::trunc) << whole.substr(0, 1200); }
        update::FtpDownloader downloader(*client);
        downloader.Resume("a", file, 1200, 3000);
        EXPECT_TRUE(ftptest::ReadFile(file) == whole);
        EXPECT_EQ(downloader.BytesTotal(), 3000);
    }
}

TEST(FtpDownload, AServerThatDiesMidTransferKeepsWhatArrived) {
    ScriptServer server(R"({"data_size":10000,"cut_after":4000})");
    REQUIRE_SERVER(server);
    EventLog log;
    auto client = LoggedIn(server, log);
    const auto file = ftptest::TempDir() / "cut.bin";
    EXPECT_EQ(ErrorOf([&] { client->Download("a", file); }), "Connection closed by the server");
    EXPECT_FALSE(client->Connected());
    EXPECT_EQ(ftptest::ReadFile(file), ftptest::Pattern(4000));
}

}  // namespace
