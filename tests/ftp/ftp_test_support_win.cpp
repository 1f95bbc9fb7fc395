#include "ftp_test_support_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "winui/application.h"

namespace ftptest {
namespace {

struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { WSACleanup(); }
};

std::map<UINT_PTR, std::function<void()>>& LaterCalls() {
    static std::map<UINT_PTR, std::function<void()>> calls;
    return calls;
}

void CALLBACK LaterProc(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto it = LaterCalls().find(id);
    if (it == LaterCalls().end()) return;
    auto call = std::move(it->second);
    LaterCalls().erase(it);
    try {
        call();
    } catch (...) {
    }
}

// The program's error policy in these tests: record, never show a box.
class RecordEscapedErrors : public ::testing::Environment {
public:
    void SetUp() override {
        winui::Application::Instance().SetOnException([](const std::exception_ptr& error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                EscapedErrors().push_back(e.what());
            } catch (...) {
                EscapedErrors().push_back("?");
            }
        });
    }
};
const auto* const kRecordEscapedErrors =
    ::testing::AddGlobalTestEnvironment(new RecordEscapedErrors);

}  // namespace

std::vector<std::string>& EscapedErrors() {
    static std::vector<std::string> errors;
    return errors;
}

Watchdog::Watchdog(int seconds) {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    thread_ = std::thread([this, seconds, test] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!stopped_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stop_; })) {
            std::fprintf(stderr, "watchdog: %s hangs\n", test.c_str());
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    stopped_.notify_one();
    thread_.join();
}

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

ScriptServer::ScriptServer(const std::string& scenarioJson) {
    static WinsockUser winsock;
    const int adminPort = std::atoi(EnvOr("FTP_SCRIPT_PORT", "0").c_str());
    if (adminPort == 0) return;
    winui::UniqueSocket admin(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(adminPort));
    if (connect(admin.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
    admin_ = std::move(admin);
    const std::string line = scenarioJson + "\n";
    send(admin_.get(), line.data(), static_cast<int>(line.size()), 0);
    const std::string reply = ReadLine();
    if (reply.rfind("PORT ", 0) == 0) port_ = std::atoi(reply.c_str() + 5);
}

std::string ScriptServer::ReadLine() {
    for (;;) {
        const size_t lf = pending_.find('\n');
        if (lf != std::string::npos) {
            std::string line = pending_.substr(0, lf);
            pending_.erase(0, lf + 1);
            return line;
        }
        char buffer[4096];
        const int n = recv(admin_.get(), buffer, sizeof buffer, 0);
        if (n <= 0) return "END";
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

std::vector<std::string> ScriptServer::Commands(bool waitForEnd) {
    std::vector<std::string> commands;
    if (!admin_) return commands;
    const std::string request = waitForEnd ? "LOGEND\n" : "LOG\n";
    send(admin_.get(), request.data(), static_cast<int>(request.size()), 0);
    for (std::string line = ReadLine(); line != "END"; line = ReadLine()) {
        commands.push_back(line);
    }
    return commands;
}

void EventLog::Attach(ftp::TFtpClient& client) {
    client.ReportLevel = 1;
    client.OnConnect = [this](void*) { events.push_back("Connect"); };
    client.OnConnectionFailed = [this](void*) { events.push_back("ConnectionFailed"); };
    client.OnDisconnect = [this](void*) { events.push_back("Disconnect"); };
    client.OnError = [this](void*, uint16_t code, const std::string& text) {
        events.push_back("Error " + std::to_string(code) + " " + text);
    };
    client.OnStatus = [this](void*, const std::string& text) { statuses.push_back(text); };
    client.OnTransactionStart = [this, &client](void*) {
        events.push_back("TransactionStart");
        bytesTotalAtStart = client.BytesTotal();
    };
    client.OnTransactionStop = [this](void*) { events.push_back("TransactionStop"); };
    client.OnPacketRecvd = [this](void*) {
        if (events.empty() || events.back() != "Packet") events.push_back("Packet");
    };
    client.OnSuccess = [this](ftp::TCmdType type) {
        events.push_back("Success " + std::to_string(type));
    };
    client.OnFailure = [this](bool& handled, ftp::TCmdType type) {
        events.push_back("Failure " + std::to_string(type));
        handled = handleFailure;
    };
    client.OnListItem = [this](const std::string& item) { events.push_back("Item " + item); };
}

int EventLog::Count(const std::string& event) const {
    int n = 0;
    for (const auto& e : events) n += e == event;
    return n;
}

std::unique_ptr<ftp::TFtpClient> ClientFor(const ScriptServer& server) {
    auto client = std::make_unique<ftp::TFtpClient>();
    client->Host = "127.0.0.1";
    client->Port = server.Port();
    client->UserID = "user";
    client->Password = "pw";
    client->TimeOut = 5000;
    return client;
}

std::unique_ptr<ftp::TFtpClient> NewClient(const ScriptServer& server, EventLog& log) {
    auto client = ClientFor(server);
    log.Attach(*client);
    return client;
}

std::unique_ptr<ftp::TFtpClient> LoggedIn(const ScriptServer& server, EventLog& log) {
    auto client = ClientFor(server);
    client->Connect();
    log.Attach(*client);
    return client;
}

void CallLater(UINT ms, std::function<void()> call) {
    const UINT_PTR id = SetTimer(nullptr, 0, ms, LaterProc);
    LaterCalls()[id] = std::move(call);
}

std::filesystem::path TempDir() {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("ftp_tests_" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(dir);
    return dir;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string Pattern(size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return data;
}

}  // namespace ftptest
