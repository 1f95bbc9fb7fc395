#include "updater/updater_run_win.h"

namespace updater {

update::RunSettings UpdaterRunSettings(const std::filesystem::path& programDir,
                                       update::DisplayLanguage language) {
    // Built in one piece: assigning the texts into a default settings object
    // trips a false -Wrestrict of GCC 12 at -O3.
    return update::RunSettings{
        .ProgramDir = programDir,
        .Language = language,
        .GameArguments = kGameArguments,
        .FixedPassword = kFixedPassword,
        .BoxOnConnectionFailed = false,
        .ConvertSimplifiedAtDisplay = true,
        .CancelOnExit = false,
        .EndProgramOnCloseAlways = true,
        .ListKey = std::nullopt,
    };
}

UpdaterRun::UpdaterRun(TForm1& window, TForm2& chooser, std::optional<trust::P256PublicKey> listKey)
    : window_(window) {
    update::RunSettings settings = UpdaterRunSettings(window.ProgramDir(), window.Language());
    settings.ListKey = listKey;
    run_ =
        std::make_unique<update::UpdateRun>(window, chooser.Chooser(), gzip_, std::move(settings));
    update::UpdateRun& run = *run_;
    window.OnRun = [&run] { run.Run(); };
    window.OnUpdateClick = [&run] { run.DownloadPhase(); };
    window.OnStartClick = [&run] { run.StartGame(); };
    window.OnExitClick = [&run] { run.Exit(); };
    window.OnFormClose = [&run] { run.Close(); };
    window.DownloadReady = [&run] { return run.DownloadReady(); };
}

UpdaterRun::~UpdaterRun() {
    // The window outlives the run: no handler may reach it any more.
    window_.OnRun = nullptr;
    window_.OnUpdateClick = nullptr;
    window_.OnStartClick = nullptr;
    window_.OnExitClick = nullptr;
    window_.OnFormClose = nullptr;
    window_.DownloadReady = nullptr;
}

}  // namespace updater
