// The launcher's entry: the windows in their creation order, then the message
// loop until the main menu closes. No argument is read.

#include <windows.h>

#include "launcher/main_menu.h"
#include "launcher/server_chooser.h"
#include "launcher/settings_window.h"
#include "update/update_window_win.h"
#include "winui/application.h"
#include "winui/locale.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    winui::ReadLocale();
    winui::Application& app = winui::Application::Instance();
    try {
        auto& mainMenu = app.CreateForm<launcher::TForm1>();
        auto& settings = app.CreateForm<launcher::TForm5>();
        auto& updateWindow = app.CreateForm<update::TUpdateForm>();
        // After the update window: the chooser keeps its choice in the program
        // folder that the update window found.
        auto& chooser = app.CreateForm<launcher::TISPForm>(updateWindow, updateWindow.ProgramDir());
        mainMenu.Form5 = &settings;
        mainMenu.ShowUpdateWindow = [&updateWindow] { updateWindow.ShowModal(); };
        // The first step of a run is the server choice; until the update run
        // itself drives the window, that and the way out are all it offers.
        updateWindow.OnRun = [&chooser] { chooser.ShowModal(); };
        updateWindow.OnExitClick = [&updateWindow] { updateWindow.CloseWindow(); };
        app.Run();
    } catch (...) {
        // Only a window that cannot be created at all gets here; errors inside
        // handlers never leave their window procedure.
        app.DestroyForms();
        return 1;
    }
    app.DestroyForms();
    return 0;
}
