// The running updater's hidden application window: found by its title, it
// hands a second start's activation on to the window the player can use.

#include <gtest/gtest.h>

#include "updater/single_instance_win.h"
#include "winui/form.h"
#include "winui/message_pump.h"

namespace {

winui::FormStyle Style(const wchar_t* caption, int left) {
    winui::FormStyle style;
    style.Caption = caption;
    style.Left = left;
    style.Top = 100;
    style.ClientWidth = 300;
    style.ClientHeight = 200;
    return style;
}

constexpr wchar_t kTitle[] = L"selvane.exe test instance";

TEST(SingleInstance, NoRunningWindowMeansNoInstance) {
    EXPECT_FALSE(updater::ActivateRunningInstance(kTitle));
}

TEST(SingleInstance, SecondStartBringsTheUsableWindowForwardAndTheKeyStaysHidden) {
    updater::ApplicationWindow app(kTitle);
    ASSERT_EQ(FindWindowW(nullptr, kTitle), app.Handle());
    EXPECT_FALSE(IsWindowVisible(app.Handle()));

    winui::Form updateWindow(Style(L"update", 50));
    winui::Form chooser(Style(L"", 150));
    winui::Form elsewhere(Style(L"another program", 400));
    updateWindow.Show();

    // Without and with the modal chooser over the update window.
    for (const bool modal : {false, true}) {
        if (modal) {
            chooser.Show();
            EnableWindow(updateWindow.Handle(), FALSE);
        }
        elsewhere.Show();
        elsewhere.BringToFront();
        winui::ProcessMessages();
        ASSERT_EQ(GetForegroundWindow(), elsewhere.Handle());
        elsewhere.Hide();  // the player's other program must not count as ours

        EXPECT_TRUE(updater::ActivateRunningInstance(kTitle));
        winui::ProcessMessages();
        EXPECT_EQ(GetForegroundWindow(), (modal ? chooser : updateWindow).Handle()) << modal;
        EXPECT_FALSE(IsWindowVisible(app.Handle()));
    }
    EnableWindow(updateWindow.Handle(), TRUE);
}

TEST(SingleInstance, MinimisedUpdateWindowIsRestored) {
    updater::ApplicationWindow app(kTitle);
    winui::Form updateWindow(Style(L"update", 50));
    updateWindow.Show();
    ShowWindow(updateWindow.Handle(), SW_MINIMIZE);
    winui::ProcessMessages();
    ASSERT_TRUE(IsIconic(updateWindow.Handle()));
    EXPECT_TRUE(updater::ActivateRunningInstance(kTitle));
    winui::ProcessMessages();
    EXPECT_FALSE(IsIconic(updateWindow.Handle()));
    EXPECT_EQ(GetForegroundWindow(), updateWindow.Handle());
}

}  // namespace
