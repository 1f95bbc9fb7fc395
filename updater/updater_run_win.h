#pragma once
// Puts the updater together: the update run behind its window, with the
// updater's chooser, its gzip component and its differences from the launcher.

#include <filesystem>
#include <memory>
#include <optional>

#include "gzip/gzip_file.h"
#include "update/update_run_win.h"
#include "updater/server_chooser_win.h"
#include "updater/update_window_win.h"

namespace updater {

// The FTP password of every server, whatever its server line says.
inline constexpr char kFixedPassword[] = "x";
// The game client gets this argument from the updater, none from the launcher.
inline constexpr char kGameArguments[] = "1";

update::RunSettings UpdaterRunSettings(const std::filesystem::path& programDir,
                                       update::DisplayLanguage language);

// Owns the run and connects the window's handlers to it; lives as long as
// both windows.
class UpdaterRun {
public:
    // listKey: the studio's key of the update list, none for unsigned servers.
    UpdaterRun(TForm1& window, TForm2& chooser,
               std::optional<trust::P256PublicKey> listKey = std::nullopt);
    ~UpdaterRun();
    UpdaterRun(const UpdaterRun&) = delete;
    UpdaterRun& operator=(const UpdaterRun&) = delete;

    update::UpdateRun& Run() { return *run_; }

private:
    TForm1& window_;
    gzip::TUpdaterGzipFile gzip_;
    std::unique_ptr<update::UpdateRun> run_;
};

}  // namespace updater
