// The launcher's entry: the windows in their creation order, then the message
// loop until the main menu closes. No argument is read.

#include <windows.h>

#include <memory>

#include "gzip/gzip_file.h"
#include "launcher/main_menu.h"
#include "launcher/server_chooser.h"
#include "launcher/settings_window.h"
#include "trust/built_in_list_key.h"
#include "update/update_run_win.h"
#include "update/update_window_win.h"
#include "winui/application.h"
#include "winui/locale.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    winui::ReadLocale();
    winui::Application& app = winui::Application::Instance();
    gzip::TGzipFile gzip1;  // the update window's gzip component
    std::unique_ptr<update::UpdateRun> run;
    try {
        auto& mainMenu = app.CreateForm<launcher::TForm1>();
        auto& settings = app.CreateForm<launcher::TForm5>();
        auto& updateWindow = app.CreateForm<update::TUpdateForm>();
        // After the update window: the chooser keeps its choice in the program
        // folder that the update window found.
        auto& chooser = app.CreateForm<launcher::TISPForm>(updateWindow, updateWindow.ProgramDir());
        mainMenu.Form5 = &settings;
        mainMenu.ShowUpdateWindow = [&updateWindow] { updateWindow.ShowModal(); };
        update::RunSettings runSettings;
        runSettings.ProgramDir = updateWindow.ProgramDir();
        runSettings.Language = updateWindow.Language();
        runSettings.ListKey = trust::BuiltInListKey();
        run = std::make_unique<update::UpdateRun>(updateWindow, chooser, gzip1, runSettings);
        updateWindow.OnRun = [&run] { run->Run(); };
        updateWindow.OnUpdateClick = [&run] { run->DownloadPhase(); };
        updateWindow.OnStartClick = [&run] { run->StartGame(); };
        updateWindow.OnExitClick = [&run] { run->Exit(); };
        updateWindow.OnFormClose = [&run] { run->Close(); };
        app.Run();
    } catch (...) {
        // Only a window that cannot be created at all gets here; errors inside
        // handlers never leave their window procedure.
        run.reset();
        app.DestroyForms();
        return 1;
    }
    run.reset();
    app.DestroyForms();
    return 0;
}
