#include "update/update_run_win.h"

#include <windows.h>

#include <system_error>
#include <utility>

#include "core/atomic_file.h"
#include "core/exception.h"
#include "ftp/ftp_client_win.h"
#include "update/failover.h"
#include "update/file_util.h"
#include "update/ftp_downloader_win.h"
#include "update/list_trust.h"
#include "update/self_update.h"
#include "update/server_list.h"
#include "winui/message_pump.h"
#include "winui/text.h"

namespace update {

namespace fs = std::filesystem;

namespace {

constexpr char kRemoteListFile[] = "update3.dat";
constexpr char kLocalListFile[] = "update2.dat";
constexpr char kLocalListHeader[] = "AVWSEN";
constexpr char kGameProgram[] = "ostrel.exe";

// List names are bytes in the system code page; a Chinese box needs them in
// its own code page.
std::string NameInCodePage(const std::string& name, TextCodePage page) {
    switch (page) {
        case TextCodePage::Big5:
            return winui::Narrow(winui::Widen(name), winui::kBig5);
        case TextCodePage::Gb2312:
            return winui::Narrow(winui::Widen(name), winui::kGb2312);
        case TextCodePage::Ascii:
        case TextCodePage::System:
            break;
    }
    return name;
}

}  // namespace

UpdateRun::UpdateRun(IUpdateView& view, IServerChooser& chooser, gzip::GzipFileBase& gzip,
                     RunSettings settings)
    : view_(view),
      chooser_(chooser),
      gzip_(gzip),
      settings_(std::move(settings)),
      random_(ClockRandomSource()) {
    if (settings_.ProgramFile.empty()) settings_.ProgramFile = winui::ProgramFile();
    RemoveOldProgramFiles(settings_.ProgramFile);
    // The component deletes each compressed download and reports its own
    // failures, in the window's error box.
    gzip_.DeleteSource = true;
    gzip_.WindowOnError = true;
    gzip_.OnErrorDialog = [this](const std::string& text, const std::filesystem::path& file) {
        view_.ShowErrorBox(Text{gzip::DialogText(text, file), TextCodePage::System});
    };
}

UpdateRun::~UpdateRun() { ReleaseClient(); }

SimplifiedSource UpdateRun::SimplifiedTexts() const {
    return settings_.ConvertSimplifiedAtDisplay ? SimplifiedSource::FromTraditional
                                                : SimplifiedSource::Stored;
}

Text UpdateRun::Message(RunMessage message) const {
    return RunText(message, settings_.Language, SimplifiedTexts());
}

Text UpdateRun::Remaining(size_t count, bool downloadPhase) const {
    const bool convert = settings_.ConvertSimplifiedAtDisplay || downloadPhase;
    return RemainingText(count, settings_.Language,
                         convert ? SimplifiedSource::FromTraditional : SimplifiedSource::Stored);
}

void UpdateRun::ShowDisconnected() {
    const Text text = Message(RunMessage::Disconnected);
    view_.ShowStatus(text);
    view_.ShowBox(text);
}

void UpdateRun::AttachHandlers(ftp::TFtpClient& client) {
    client.OnConnect = [this](void*) { connected_ = true; };
    client.OnDisconnect = [this](void*) {
        connected_ = false;
        view_.ShowBox(Message(RunMessage::Disconnected));
    };
    client.OnConnectionFailed = [this](void*) {
        connected_ = false;
        if (settings_.BoxOnConnectionFailed) view_.ShowBox(Message(RunMessage::Disconnected));
    };
    // Handled stays false: the failing operation raises its error.
    client.OnInvalidHost = [this](bool&) { view_.ShowBox({"Invalid Host", TextCodePage::Ascii}); };
    client.OnError = [this](void*, uint16_t number, const std::string& text) {
        view_.ShowBox({"Error " + std::to_string(number) + ": " + text, TextCodePage::System});
    };
    client.OnTransactionStart = [this](void*) {
        if (!client_) return;
        view_.SetGaugeMax(client_->BytesTotal());
        view_.SetGaugePosition(0);
    };
    client.OnPacketRecvd = [this](void*) {
        if (!progress_ || !client_) return;
        const int64_t received = client_->BytesRecvd();
        view_.SetGaugePosition(received);
        view_.ShowProgressText(
            {std::to_string(received) + " of " + std::to_string(client_->BytesTotal()) + " ",
             TextCodePage::Ascii});
    };
    client.OnListItem = [this](const std::string& name) { listing_.push_back(name); };
    client.OnFailure = [](bool&, ftp::TCmdType) {};
    client.OnTransactionStop = [](void*) {};
    client.OnHostResolved = [](void*) {};
    client.OnStatus = [](void*, const std::string&) {};
    client.OnPacketSent = [](void*) {};
    client.OnUnSupportedFunction = [](ftp::TCmdType) {};
}

// Only ever called from the top of the run or from the destructor: never
// inside one of the client's own waits.
void UpdateRun::ReleaseClient() {
    if (!client_) return;
    std::unique_ptr<ftp::TFtpClient> client = std::move(client_);
    client->OnConnect = nullptr;
    client->OnDisconnect = nullptr;
    client->OnConnectionFailed = nullptr;
    client->OnInvalidHost = nullptr;
    client->OnError = nullptr;
    client->OnTransactionStart = nullptr;
    client->OnPacketRecvd = nullptr;
    client->OnListItem = nullptr;
    client->OnFailure = nullptr;
    client->OnTransactionStop = nullptr;
    client->OnHostResolved = nullptr;
    client->OnStatus = nullptr;
    client->OnPacketSent = nullptr;
    client->OnUnSupportedFunction = nullptr;
}

AttemptResult UpdateRun::Attempt(const std::string& line) {
    ReleaseClient();
    winui::ProcessMessages();
    client_ = std::make_unique<ftp::TFtpClient>();
    AttachHandlers(*client_);
    const ServerLine server = ParseServerLine(line);
    client_->Host = server.Host;
    client_->Port = server.Port;
    client_->TimeOut = server.TimeOut;
    client_->IdleTimeOut = server.TimeOut;
    client_->UserID = server.UserID;
    client_->Password = settings_.FixedPassword.value_or(server.Password);
    client_->Passive = server.Passive;
    client_->PassiveFallback = true;
    if (aborted_) return AttemptResult::Aborted;
    try {
        client_->Connect();
    } catch (const selvane::Exception&) {
        // The events have told the player; the next server is tried.
    }
    return connected_ ? AttemptResult::LoggedIn : AttemptResult::Failed;
}

RotationResult UpdateRun::ConnectNext() {
    return rotation_.ConnectNext([this](const std::string& line) { return Attempt(line); });
}

bool UpdateRun::IsListed(std::string_view name) const {
    for (const auto& item : listing_)
        if (NamesEqual(item, name)) return true;
    return false;
}

void UpdateRun::ListServer() {
    const auto list = [this] {
        listing_.clear();
        try {
            client_->NList();
        } catch (const selvane::Exception&) {
        }
    };
    list();
    while (!IsListed(kRemoteListFile)) {
        if (aborted_ || ConnectNext() != RotationResult::LoggedIn) {
            connected_ = false;
            return;
        }
        list();
        connected_ = IsListed(kRemoteListFile);
    }
}

bool UpdateRun::FetchRemoteList() {
    FtpDownloader downloader(*client_);
    // The last good list stays until a whole new one has arrived.
    selvane::PendingReplace list(settings_.ProgramDir / kRemoteListFile);
    downloader.Download(kRemoteListFile, list.TempPath(), kRemoteListMaxBytes);
    if (Stopped()) return false;
    if (settings_.ListKey && !RemoteListTrusted(list.TempPath())) return false;
    if (!list.Commit()) throw selvane::Exception(std::string("Can't create: ") + kRemoteListFile);
    return true;
}

bool UpdateRun::RemoteListTrusted(const fs::path& list) {
    FtpDownloader downloader(*client_);
    selvane::PendingReplace signature(settings_.ProgramDir / kRemoteListSignatureFile);
    std::string signatureFile;
    try {
        downloader.Download(kRemoteListSignatureFile, signature.TempPath(),
                            trust::kListSignatureMaxBytes);
        signatureFile = ReadWholeFile(signature.TempPath());
    } catch (const selvane::Exception&) {
        // No signature here (or no connection any more): not this server.
        return false;
    }
    if (Stopped()) return false;
    return AcceptRemoteList(settings_.ProgramDir, ReadWholeFile(list), signatureFile,
                            *settings_.ListKey, trust::UtcNow())
               .Verdict == trust::ListVerdict::Accepted;
}

void UpdateRun::Run() {
    if (runStarted_) return;
    runStarted_ = true;
    chooser_.ShowModal();

    const Lines serverFile = LoadLines(settings_.ProgramDir / kServerListFile);
    const ServerChoice choice{chooser_.ServerLines(), chooser_.SelectedIndex(),
                              chooser_.ItemCount()};
    rotation_ = ServerRotation(BuildServerOrder(serverFile, choice, random_));
    view_.ShowStatus(Message(RunMessage::Connecting));
    const RotationResult rotation = ConnectNext();
    if (aborted_) return;
    if (rotation != RotationResult::LoggedIn) {
        ShowDisconnected();
        return;
    }
    for (;;) {
        client_->TimeOut = kLoggedInTimeOut;
        ListServer();
        if (!connected_ || aborted_) break;
        // The listing loop may have logged in to another server.
        client_->TimeOut = kLoggedInTimeOut;
        if (FetchRemoteList()) break;
        if (Stopped()) return;
        // A list this program does not trust: on to the next server, as if
        // this one had none.
        if (ConnectNext() != RotationResult::LoggedIn) {
            connected_ = false;
            break;
        }
    }
    // The order stays: the download phase may go on to the servers after this one.
    if (aborted_) return;
    if (!connected_) {
        ShowDisconnected();
        return;
    }

    progress_ = true;
    view_.SetGaugePosition(0);
    view_.ShowProgressText({"0%", TextCodePage::Ascii});
    const fs::path localFile = settings_.ProgramDir / kLocalListFile;
    std::error_code ec;
    if (!fs::exists(localFile, ec)) SaveLines(localFile, {kLocalListHeader});
    remote_ = LoadLines(settings_.ProgramDir / kRemoteListFile);
    local_ = LoadLines(localFile);
    todo_ = BuildToDoList(remote_, local_);
    listsBuilt_ = true;

    std::vector<Text> names;
    names.reserve(todo_.Names.size());
    for (const auto& name : todo_.Names) names.push_back({name, TextCodePage::System});
    view_.SetToDoNames(names);
    view_.ShowStatus(Remaining(todo_.Names.size(), false));
    if (todo_.Entries.empty()) {
        view_.ShowStatus(Message(RunMessage::NothingToUpdate));
        view_.ShowStartButton();
    }
}

bool UpdateRun::DownloadReady() const {
    return connected_ && listsBuilt_ && !listsClosed_ && !phaseStarted_ && !todo_.Entries.empty();
}

std::string UpdateRun::InLanguageCodePage(const std::string& name) const {
    return NameInCodePage(name, LanguageCodePage(settings_.Language));
}

void UpdateRun::ShowNotInstalled(const std::string& targetName, InstallResult result) {
    view_.ShowBox(NotInstalledText(InLanguageCodePage(targetName), result, settings_.Language,
                                   SimplifiedTexts()));
}

bool UpdateRun::ServesSameList() {
    selvane::PendingReplace list(settings_.ProgramDir / kRemoteListFile);
    const bool shown = std::exchange(progress_, false);
    try {
        FtpDownloader(*client_).Download(kRemoteListFile, list.TempPath(), kRemoteListMaxBytes);
    } catch (const selvane::Exception&) {
        if (!Stopped()) progress_ = shown;
        return false;
    }
    progress_ = shown;
    return SameFileBytes(list.TempPath(), settings_.ProgramDir / kRemoteListFile);
}

bool UpdateRun::FailOver() {
    bool loggedInElsewhere = false;
    while (!Stopped()) {
        if (ConnectNext() != RotationResult::LoggedIn) break;
        loggedInElsewhere = true;
        client_->TimeOut = kLoggedInTimeOut;
        if (ServesSameList()) {
            const std::string name = LineField(rotation_.CurrentLine(), 1);
            view_.ShowStatus(
                ServerInUseText(InLanguageCodePage(name), settings_.Language, SimplifiedTexts()));
            return true;
        }
    }
    // With no server left to try, the failed client is still there and its
    // close tells the player as it always did. A server that logged in with
    // another list is no server to go on with: the run ends disconnected.
    if (loggedInElsewhere && !Stopped()) {
        ReleaseClient();
        connected_ = false;
        view_.ShowBox(Message(RunMessage::Disconnected));
    }
    return false;
}

InstallResult UpdateRun::InstallOnAnyServer(const std::string& entry) {
    for (;;) {
        FtpDownloader downloader(*client_);
        InstallContext context{settings_.ProgramDir, downloader, gzip_, local_,
                               settings_.ProgramFile};
        try {
            const InstallResult result = InstallEntry(entry, context);
            programReplaced_ = programReplaced_ || context.ProgramReplaced;
            return result;
        } catch (const selvane::Exception& e) {
            if (Stopped() || !client_ || !WorthAnotherServer(e, client_->Connected())) throw;
            if (!FailOver()) throw;
        }
    }
}

void UpdateRun::DownloadPhase() {
    // Also before the to-do list exists: a click during the run's own waits.
    if (!connected_ || !listsBuilt_ || listsClosed_ || phaseStarted_ || !client_) return;
    phaseStarted_ = true;
    view_.ShowGauge();
    const size_t count = todo_.Entries.size();
    for (size_t i = 0; i < count; ++i) {
        winui::ProcessMessages();
        if (Stopped()) return;
        const InstallResult result = InstallOnAnyServer(todo_.Entries[i]);
        // The exit button during the download: the closing has saved the list.
        if (Stopped()) return;
        if (result != InstallResult::Installed) ShowNotInstalled(todo_.Names[i], result);
        view_.MoveFirstToDone();
        view_.ShowStatus(Remaining(count - i - 1, true));
        if (i + 1 == count) view_.ShowStartButton();
    }
    SaveLines(settings_.ProgramDir / kLocalListFile, local_);
    if (programReplaced_) view_.ShowBox(Message(RunMessage::RestartProgram));
}

void UpdateRun::StartGame() {
    view_.HideWindow();
    view_.StartProgram(settings_.ProgramDir / kGameProgram, settings_.GameArguments);
    view_.CloseWindow();
}

void UpdateRun::Exit() {
    if (!view_.Confirm(Message(RunMessage::ExitQuestion))) return;
    view_.ShowStatus(Message(RunMessage::PleaseWait));
    // Ends a wait on the control connection; a data transfer runs on, and the
    // closing below ends the program in that case.
    if (settings_.CancelOnExit && client_ && client_->Connected()) client_->Cancel();
    aborted_ = true;
    view_.CloseWindow();
}

void UpdateRun::Close() {
    if (listsBuilt_ && !listsClosed_) {
        listsClosed_ = true;
        SaveLines(settings_.ProgramDir / kLocalListFile, local_);
    }
    if (connected_ || settings_.EndProgramOnCloseAlways) view_.EndProgram(0);
}

}  // namespace update
