#pragma once
// The update run behind the update window: server chooser, server order and
// rotation, login, listing, the remote list, the to-do list, the download
// phase, the start and exit buttons and the closing. The window forwards its
// handlers here and shows what the run tells it through IUpdateView.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gzip/gzip_file.h"
#include "trust/p256.h"
#include "update/install.h"
#include "update/run_texts.h"
#include "update/server_order.h"
#include "update/server_rotation.h"
#include "update/text_lines.h"
#include "update/todo_list.h"
#include "update/update_view.h"

namespace ftp {
class TFtpClient;
}

namespace update {

struct RunSettings {                   // what differs between the two programs
    std::filesystem::path ProgramDir;  // with the files isp0.dat, update2.dat, ...
    DisplayLanguage Language = DisplayLanguage::English;
    std::string GameArguments;                 // "" in the launcher, "1" in the updater
    std::optional<std::string> FixedPassword;  // the updater's one-character password
    bool BoxOnConnectionFailed = true;         // false in the updater
    bool ConvertSimplifiedAtDisplay = false;   // updater: every Simplified text via Big5ToGB
    bool CancelOnExit = true;                  // false in the updater (its exit does not Cancel)
    bool EndProgramOnCloseAlways = false;      // updater: closing its window ends the program
    // With a key, a server's list is used only when signed by it, unexpired
    // and not older than the list this folder took last (update/list_trust.h).
    std::optional<trust::P256PublicKey> ListKey;
    // The running program's file, which an entry may replace (empty: this
    // process's own file).
    std::filesystem::path ProgramFile = {};
};

// The login is followed by a time-out long enough for any transfer; the
// server line's own time-out still bounds a data connection that never comes
// or a transfer that stops sending.
inline constexpr int kLoggedInTimeOut = 50000000;
// A remote list larger than this is no list of ours.
inline constexpr int64_t kRemoteListMaxBytes = 16 * 1024 * 1024;

class UpdateRun {
public:
    // Deletes what an earlier run's update of the program's own file moved aside.
    UpdateRun(IUpdateView& view, IServerChooser& chooser, gzip::GzipFileBase& gzip,
              RunSettings settings);
    // Releases the FTP client; no event reaches the view any more. The window
    // destroys the run from the top level only, never inside one of its waits.
    ~UpdateRun();
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // The first resize: chooser, server order, rotation, listing, remote list,
    // to-do list shown (or the nothing-to-update text and the start button).
    // Runs once; errors that end it (a port that is no number, a failed fetch
    // of the remote list) are raised to the window's handler boundary.
    void Run();
    // The update button: installs every to-do entry, once per run.
    void DownloadPhase();
    // Connected, to-do list not empty, phase not started: the update button acts.
    bool DownloadReady() const;
    // The start button: the game client, then the window closes.
    void StartGame();
    // The exit button: confirmation, then the run stops and the window closes.
    void Exit();
    // The window closes: the local list is saved once; a logged-in run ends
    // the program.
    void Close();

    // Where the server order's random draws come from; the clock's by default.
    void SetRandomSource(RandomSource random) { random_ = std::move(random); }

private:
    AttemptResult Attempt(const std::string& line);
    RotationResult ConnectNext();
    void AttachHandlers(ftp::TFtpClient& client);
    void ReleaseClient();
    bool IsListed(std::string_view name) const;
    void ListServer();
    // False when the list came but is not to be trusted: the server is then
    // passed over like one without a list.
    bool FetchRemoteList();
    bool RemoteListTrusted(const std::filesystem::path& list);
    void ShowDisconnected();
    void ShowNotInstalled(const std::string& targetName, InstallResult result);
    // Installs one entry; when its download fails on the server's connection
    // and another server of the order serves the same list, goes on there
    // (the entry resumes from what arrived).
    InstallResult InstallOnAnyServer(const std::string& entry);
    // Logs in to the next server of the order whose update3.dat has the same
    // bytes as the list this run works from. False when none is left or the
    // player stopped the run; the run is then disconnected.
    bool FailOver();
    bool ServesSameList();
    // A display name (list bytes) in the code page of the run's language.
    std::string InLanguageCodePage(const std::string& name) const;
    // How Simplified Chinese texts are made in this run.
    SimplifiedSource SimplifiedTexts() const;
    Text Message(RunMessage message) const;
    Text Remaining(size_t count, bool downloadPhase) const;
    // True once the player confirmed the exit, or the window closed.
    bool Stopped() const { return aborted_ || listsClosed_; }

    IUpdateView& view_;
    IServerChooser& chooser_;
    gzip::GzipFileBase& gzip_;
    RunSettings settings_;
    RandomSource random_;

    bool runStarted_ = false;
    bool connected_ = false;
    bool aborted_ = false;
    bool progress_ = false;  // byte progress is shown only for the game files
    bool phaseStarted_ = false;
    bool programReplaced_ = false;  // the player is told to restart after the phase
    std::unique_ptr<ftp::TFtpClient> client_;
    ServerRotation rotation_;
    std::vector<std::string> listing_;

    // From BuildToDoList on. A close saves the local list once; the lists stay
    // in memory so that a wait that returns afterwards touches nothing freed.
    bool listsBuilt_ = false;
    bool listsClosed_ = false;
    Lines remote_;
    Lines local_;
    ToDoList todo_;
};

}  // namespace update
