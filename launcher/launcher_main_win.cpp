// The launcher's entry: the windows in their creation order, then the message
// loop until the main menu closes. No argument is read.

#include <windows.h>

#include "launcher/main_menu.h"
#include "launcher/settings_window.h"
#include "winui/application.h"
#include "winui/locale.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    winui::ReadLocale();
    winui::Application& app = winui::Application::Instance();
    try {
        auto& mainMenu = app.CreateForm<launcher::TForm1>();
        auto& settings = app.CreateForm<launcher::TForm5>();
        mainMenu.Form5 = &settings;
        // The update window and the server chooser join here, in that order,
        // when they exist; the main menu's update button then shows the first.
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
