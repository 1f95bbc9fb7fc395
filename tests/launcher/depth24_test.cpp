// The settings window on a display that is not at 16 bits per pixel.

#include <gtest/gtest.h>

#include "launcher/settings_window.h"
#include "tests/launcher/launcher_fixture.h"

namespace {

using launcher::TForm5;
using namespace launcher_test;

using DeepDisplay = GameFolder;

TEST_F(DeepDisplay, WindowedPlayIsRefusedWithAMessage) {
    HDC screen = GetDC(nullptr);
    ASSERT_GT(GetDeviceCaps(screen, BITSPIXEL), 16);
    ReleaseDC(nullptr, screen);

    PutSettings("FullScreen\r\nSimplified\r\n");
    TForm5 settings;
    settings.Create();
    ShowWindow(settings.Handle(), SW_SHOWNA);
    ClickOn(settings, settings.Image3);
    ClickOn(settings, settings.Image4);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Kind, winui::BoxKind::Plain);
    EXPECT_EQ(boxes.Shown[0].Text,
              L"If you want to choose the window mode, please adjust 16BIT color.");
    EXPECT_EQ(Settings(), "FullScreen\r\nSimplified\r\n");
    EXPECT_TRUE(settings.Visible());
    EXPECT_EQ(settings.Image5.Top(), 90);

    // Full screen does not look at the colour depth.
    ClickOn(settings, settings.Image2);
    ClickOn(settings, settings.Image4);
    EXPECT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(Settings(), "FullScreen\r\nSimplified\r\n");
    EXPECT_FALSE(settings.Visible());
}

}  // namespace
