// selvane.exe: one instance at a time, the update window as the main window,
// the server chooser after it, the message loop until the update window
// closes. No argument is read. Errors that end a handler show in the
// application's standard error box (the default policy: none is installed).

#include <windows.h>

#include <optional>

#include "trust/built_in_list_key.h"
#include "updater/server_chooser_win.h"
#include "updater/single_instance_win.h"
#include "updater/update_window_win.h"
#include "updater/updater_run_win.h"
#include "winui/application.h"
#include "winui/locale.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (updater::ActivateRunningInstance(updater::kApplicationTitle)) {
        return 0;
    }
    winui::ReadLocale();
    winui::Application& app = winui::Application::Instance();
    app.SetTitle(updater::kApplicationTitle);
    int exitCode = 0;
    try {
        const updater::ApplicationWindow key(updater::kApplicationTitle);
        std::optional<updater::UpdaterRun> run;
        {
            auto& window = app.CreateForm<updater::TForm1>();
            auto& chooser = app.CreateForm<updater::TForm2>(
                window, [&window] { return window.Language(); }, window.ProgramDir());
            run.emplace(window, chooser, trust::BuiltInListKey());
        }
        app.Run();
        run.reset();  // before the windows it talks to
    } catch (...) {
        // Only a window that cannot be created at all gets here; errors inside
        // handlers never leave their window procedure.
        exitCode = 1;
    }
    app.DestroyForms();
    return exitCode;
}
