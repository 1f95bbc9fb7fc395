// The client against a real FTP server on loopback (started by
// run_with_servers.py over a folder of generated files).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_client_win.h"
#include "ftp_test_support_win.h"
#include "update/ftp_downloader_win.h"

namespace {

using Strings = std::vector<std::string>;

// The same files as run_with_servers.py writes.
const struct {
    const char* name;
    size_t size;
} kFiles[] = {
    {"bin_0.dat", 0},         {"bin_1.dat", 1},         {"bin_65535.dat", 65535},
    {"bin_65536.dat", 65536}, {"bin_65537.dat", 65537}, {"bin_1000000.dat", 1000000},
    {"text_0.txt", 0},        {"text_2000.txt", 2000},  {"text_300000.txt", 300000},
};

std::string TextBytes(size_t size) {
    std::string out;
    for (int n = 0; out.size() < size; ++n) {
        out += "Line " + std::to_string(n) + " of the text file\r\n";
    }
    out.resize(size);
    return out;
}

std::string Expected(const std::string& name, size_t size) {
    return name.rfind("bin", 0) == 0 ? ftptest::Pattern(size) : TextBytes(size);
}

class RealServer : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = std::atoi(ftptest::EnvOr("FTP_REAL_PORT", "0").c_str());
        if (port_ == 0) GTEST_SKIP() << "no real FTP server (FTP_REAL_PORT)";
    }
    std::unique_ptr<ftp::TFtpClient> NewClient() {
        auto client = std::make_unique<ftp::TFtpClient>();
        client->Host = "127.0.0.1";
        client->Port = port_;
        client->UserID = ftptest::EnvOr("FTP_REAL_USER", "anonymous");
        client->Password = ftptest::EnvOr("FTP_REAL_PASS", "guest");
        client->TimeOut = 10000;
        return client;
    }
    int port_ = 0;
};

TEST_F(RealServer, LoginListAndByteExactDownloadsInBothModes) {
    auto client = NewClient();
    bool connected = false;
    client->OnConnect = [&](void*) { connected = true; };
    client->Connect();
    EXPECT_TRUE(connected);

    Strings names;
    client->OnListItem = [&](const std::string& item) { names.push_back(item); };
    client->NList();
    for (const auto& file : kFiles) {
        EXPECT_NE(std::find(names.begin(), names.end(), file.name), names.end()) << file.name;
    }

    const auto dir = ftptest::TempDir();
    for (bool passive : {false, true}) {
        client->Passive = passive;
        for (const auto& file : kFiles) {
            SCOPED_TRACE(std::string(file.name) + (passive ? " passive" : " active"));
            const auto local = dir / file.name;
            int successes = 0;
            client->OnSuccess = [&](ftp::TCmdType type) { successes += type == ftp::cmdDownload; };
            client->Download(file.name, local);
            EXPECT_EQ(successes, 1);
            EXPECT_EQ(client->BytesTotal(), static_cast<int32_t>(file.size));
            EXPECT_TRUE(ftptest::ReadFile(local) == Expected(file.name, file.size));
        }
    }
    client->Disconnect();
    EXPECT_FALSE(client->Connected());
}

TEST_F(RealServer, WrongPasswordAndMissingFile) {
    auto client = NewClient();
    client->Password = "wrong";
    try {
        client->Connect();
        ADD_FAILURE() << "logged in with a wrong password";
    } catch (const ftp::FTPException& e) {
        EXPECT_EQ(e.Message.substr(0, 4), "530 ");
    }
    EXPECT_FALSE(client->Connected());

    auto good = NewClient();
    good->Connect();
    update::FtpDownloader downloader(*good);
    const auto dir = ftptest::TempDir();
    downloader.Download("text_2000.txt", dir / "via_downloader.txt", -1);
    EXPECT_EQ(downloader.BytesTotal(), 2000);
    EXPECT_EQ(ftptest::ReadFile(dir / "via_downloader.txt"), TextBytes(2000));
    // The caller hands a temporary name: a failed download leaves nothing there.
    EXPECT_THROW(downloader.Download("missing.dat", dir / "via_downloader.txt", -1),
                 ftp::FTPException);
    EXPECT_FALSE(std::filesystem::exists(dir / "via_downloader.txt"));
    // A failure the owner's handler takes over is still a failure for the installer.
    good->OnFailure = [](bool& handled, ftp::TCmdType) { handled = true; };
    EXPECT_THROW(downloader.Download("missing.dat", dir / "missing.dat", -1), ftp::FTPException);
}

TEST_F(RealServer, ActiveModeSwitchedOffFallsBackToPassiveAndRestarts) {
    const int passiveOnly = std::atoi(ftptest::EnvOr("FTP_PASSIVE_ONLY_PORT", "0").c_str());
    if (passiveOnly == 0) GTEST_SKIP() << "no passive-only server (FTP_PASSIVE_ONLY_PORT)";
    auto client = NewClient();
    client->Port = passiveOnly;
    client->PassiveFallback = true;
    client->Connect();
    Strings listed;
    client->OnListItem = [&listed](const std::string& item) { listed.push_back(item); };
    client->NList();
    EXPECT_EQ(listed.size(), std::size(kFiles));
    EXPECT_TRUE(client->Passive);

    const auto file = ftptest::TempDir() / "restarted.bin";
    client->Download("bin_1000000.dat", file, -1, 400000);
    EXPECT_TRUE(client->RestartAccepted());
    EXPECT_TRUE(ftptest::ReadFile(file) == Expected("bin_1000000.dat", 1000000).substr(400000));
}

}  // namespace
