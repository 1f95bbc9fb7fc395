#pragma once
// One updater at a time. The running one owns a hidden top-level window whose
// title is the application title; a second start finds it, brings it forward
// and ends. The window passes that on to whichever of our windows the player
// can use at the moment (the modal chooser while it is open, else the update
// window), so the running updater really comes to the front.

#include <windows.h>

#include "winui/window.h"

namespace updater {

inline constexpr wchar_t kApplicationTitle[] = L"selvane.exe";

// The second start: when a top-level window titled title exists, bring it to
// the foreground, show it with the system's default show state and return
// true (the caller then ends with exit code 0).
bool ActivateRunningInstance(const wchar_t* title);

class ApplicationWindow : public winui::Window {
public:
    explicit ApplicationWindow(const wchar_t* title);
    ~ApplicationWindow() override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void ForwardToUsableWindow();
};

}  // namespace updater
