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
    auto& mainMenu = app.CreateForm<launcher::TForm1>();
    auto& settings = app.CreateForm<launcher::TForm5>();
    mainMenu.Form5 = &settings;
    app.Run();
    app.DestroyForms();
    return 0;
}
