#include "tools/demo/headless_run_win.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "core/exception.h"
#include "ftp/ftp_client_win.h"
#include "gzip/gzip_file.h"
#include "update/ftp_downloader_win.h"
#include "update/line_field.h"
#include "update/todo_list.h"
#include "winui/message_pump.h"

namespace demo {

namespace fs = std::filesystem;

namespace {

constexpr char kRemoteList[] = "update3.dat";
constexpr char kLocalList[] = "update2.dat";
constexpr int kLoggedInTimeOut = 50000000;  // what the window uses after the login

void Say(const RunHooks& hooks, const std::string& line) {
    if (hooks.Say) hooks.Say(line);
}

int32_t FieldInt(const std::string& line, int n) { return update::StrToInt(update::LineField(line, n)); }

// A logged-in client whose login directory lists the remote list, or null.
std::unique_ptr<ftp::TFtpClient> TryServer(const std::string& line, const RunHooks& hooks) {
    auto client = std::make_unique<ftp::TFtpClient>();
    bool connected = false;
    std::vector<std::string> listing;
    client->OnConnect = [&connected](void*) { connected = true; };
    client->OnDisconnect = [&connected](void*) { connected = false; };
    client->OnConnectionFailed = [&connected](void*) { connected = false; };
    client->OnListItem = [&listing](const std::string& name) { listing.push_back(name); };
    try {
        client->Host = update::LineField(line, 2);
        client->Port = FieldInt(line, 3);
        client->TimeOut = FieldInt(line, 4);
        client->UserID = update::LineField(line, 5);
        client->Password = update::LineField(line, 6);
        Say(hooks, "connecting to " + update::LineField(line, 1) + " (" + client->Host + ":" +
                       std::to_string(client->Port) + ")");
        client->Connect();
    } catch (const selvane::Exception& e) {
        Say(hooks, "  login failed: " + e.Message);
        return nullptr;
    }
    if (!connected) {
        Say(hooks, "  login failed");
        return nullptr;
    }
    client->TimeOut = kLoggedInTimeOut;
    try {
        client->NList();
    } catch (const selvane::Exception& e) {
        Say(hooks, "  listing failed: " + e.Message);
    }
    for (const auto& name : listing) {
        if (update::NamesEqual(name, kRemoteList)) {
            Say(hooks, "  logged in; the server lists " + std::string(kRemoteList));
            client->OnConnect = nullptr;
            client->OnDisconnect = nullptr;
            client->OnConnectionFailed = nullptr;
            client->OnListItem = nullptr;
            return client;
        }
    }
    Say(hooks, "  logged in, but the server does not list " + std::string(kRemoteList));
    try {
        client->Disconnect();
    } catch (const selvane::Exception&) {
    }
    return nullptr;
}

}  // namespace

const char* ResultName(update::InstallResult result) {
    switch (result) {
    case update::InstallResult::Installed: return "installed";
    case update::InstallResult::UnknownType: return "unknown type, skipped";
    case update::InstallResult::UnsafeName: return "unsafe name, skipped";
    case update::InstallResult::SizeMismatch: return "size differs, not recorded";
    case update::InstallResult::NotWritten: return "not written";
    }
    return "?";
}

RunResult RunUpdate(const fs::path& programDir, const RunHooks& hooks) {
    RunResult result;
    const update::Lines servers = update::LoadLines(programDir / "isp0.dat");

    std::unique_ptr<ftp::TFtpClient> client;
    for (const auto& line : servers) {
        if (line == "end") break;
        winui::ProcessMessages();
        client = TryServer(line, hooks);
        if (client) {
            result.Server = line;
            break;
        }
    }
    if (!client) {
        Say(hooks, "Disconnected: no server could be used");
        return result;
    }

    update::FtpDownloader downloader(*client);
    Say(hooks, std::string("fetching ") + kRemoteList);
    downloader.Download(kRemoteList, programDir / kRemoteList);
    if (!fs::exists(programDir / kLocalList)) {
        Say(hooks, std::string("creating ") + kLocalList);
        update::SaveLines(programDir / kLocalList, {"AVWSEN"});
    }
    const update::Lines remote = update::LoadLines(programDir / kRemoteList);
    update::Lines local = update::LoadLines(programDir / kLocalList);
    const update::ToDoList todo = update::BuildToDoList(remote, local);
    result.ToDo = todo.Entries;
    Say(hooks, std::to_string(todo.Entries.size()) +
                   (todo.Entries.size() == 1 ? " file remains" : " files remain") + " to be updated");

    gzip::TGzipFile gz;
    gz.DeleteSource = true;
    gz.OnErrorDialog = [&hooks](const std::string& text, const fs::path& file) {
        Say(hooks, "  gzip: " + gzip::DialogText(text, file));
    };
    // Servers need not announce a byte count with RETR: the size of the
    // entry stands in for it then.
    int64_t announced = 0;
    client->OnPacketRecvd = [&hooks, &client, &announced](void*) {
        const int64_t total = client->BytesTotal() > 0 ? client->BytesTotal() : announced;
        if (hooks.Progress) hooks.Progress(client->BytesRecvd(), total);
    };
    update::InstallContext context{programDir, downloader, gz, local};
    try {
        for (size_t i = 0; i < todo.Entries.size(); ++i) {
            winui::ProcessMessages();
            const std::string& entry = todo.Entries[i];
            announced = std::atoll(update::LineField(entry, entry.rfind("U ", 0) == 0 ? 7 : 5).c_str());
            Say(hooks, "updating " + todo.Names[i]);
            const auto installed = update::InstallEntry(todo.Entries[i], context);
            result.Results.push_back(installed);
            Say(hooks, "  " + todo.Names[i] + ": " + ResultName(installed));
        }
    } catch (...) {
        client->OnPacketRecvd = nullptr;
        update::SaveLines(programDir / kLocalList, local);
        throw;
    }
    client->OnPacketRecvd = nullptr;
    update::SaveLines(programDir / kLocalList, local);
    const auto missed = std::count_if(result.Results.begin(), result.Results.end(), [](auto r) {
        return r != update::InstallResult::Installed;
    });
    Say(hooks, std::string(kLocalList) + " saved; " +
                   (missed == 0 ? std::string("the game files are up to date")
                                : std::to_string(missed) + " not installed, the next run tries again"));
    try {
        client->Disconnect();
    } catch (const selvane::Exception&) {
    }
    return result;
}

}  // namespace demo
