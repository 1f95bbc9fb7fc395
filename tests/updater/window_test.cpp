// The updater's update window under wine: its size, the blue strip between
// the gauge and the progress text, and the hidden buttons behind the update
// and exit pictures.

#include <gtest/gtest.h>

#include "tests/update/temp_dir.h"
#include "tests/winui/jpeg_writer.h"
#include "updater/update_window_win.h"
#include "winui/application.h"
#include "winui/locale.h"
#include "winui/message_pump.h"
#include "winui/recorded_boxes.h"

namespace {

class UpdaterWindow : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* suffix : {L"c", L"s"}) {
            Picture(std::wstring(L"0") + suffix, 620, 440);
            for (const wchar_t* stem : {L"1-1", L"1-2", L"2-1", L"2-2", L"3-1", L"3-2"}) {
                Picture(stem + std::wstring(suffix), 8, 8);
            }
        }
        winui::SetLocale(0x409);
    }
    void TearDown() override {
        winui::ProcessMessages();
        winui::ResetTerminated();
    }
    void Picture(const std::wstring& stem, int width, int height) {
        // Black: nothing in the background looks like the strip or the text.
        testing_jpeg::WriteFile(dir_.Path / L"upimg" / (stem + L".jpg"),
                                testing_jpeg::Solid(width, height, 0, 0, 0));
    }
    static void Press(updater::TForm1& window, const winui::Image& picture, UINT down) {
        const LPARAM at = MAKELPARAM(picture.Left() + 4, picture.Top() + 4);
        SendMessageW(window.Handle(), down, 0, at);
        SendMessageW(window.Handle(), down + 1, 0, at);
    }

    testutil::TempDir dir_;
    winui::RecordedBoxes boxes_;
};

TEST_F(UpdaterWindow, SizedToItsBackgroundWithTheStripBetweenGaugeAndText) {
    updater::TForm1 window(dir_.Path);
    window.Create();
    EXPECT_EQ(window.ClientWidth(), 620);
    EXPECT_EQ(window.ClientHeight(), 440);
    const RECT strip{34, 323, 34 + 545, 323 + 23};
    EXPECT_TRUE(EqualRect(&window.Image5.Bounds(), &strip));

    window.OnRun = nullptr;
    window.Show();
    winui::ProcessMessages();
    window.Repaint();
    HDC dc = GetDC(window.Handle());
    const COLORREF blue = GetPixel(dc, 40, 343);  // the strip, off the text, over the gauge
    bool yellowText = false;                      // Label4 ("0% ") drawn over the strip
    for (int x = window.Label4.Left(); x < window.Label4.Left() + window.Label4.Width(); ++x) {
        for (int y = window.Label4.Top(); y < window.Label4.Top() + window.Label4.Height(); ++y) {
            const COLORREF c = GetPixel(dc, x, y);
            yellowText |= GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) < 100;
        }
    }
    ReleaseDC(window.Handle(), dc);
    // 16 bits per pixel keep the top five or six bits of each component.
    EXPECT_NEAR(GetRValue(blue), 31, 8);
    EXPECT_NEAR(GetGValue(blue), 75, 8);
    EXPECT_NEAR(GetBValue(blue), 208, 8);
    EXPECT_TRUE(yellowText);
    window.Hide();
}

TEST_F(UpdaterWindow, UpdatePictureActsOnItsWayUpOnlyThroughAnEnabledButton1) {
    updater::TForm1 window(dir_.Path);
    window.Create();
    int phases = 0;
    int exits = 0;
    window.OnUpdateClick = [&phases] { ++phases; };
    window.OnExitClick = [&exits] { ++exits; };

    bool ready = false;
    window.DownloadReady = [&ready] { return ready; };
    Press(window, window.Image2, WM_LBUTTONDOWN);
    EXPECT_EQ(phases, 0);  // no to-do list yet
    ready = true;
    Press(window, window.Image2, WM_RBUTTONDOWN);
    Press(window, window.Image2, WM_LBUTTONDOWN);
    EXPECT_EQ(phases, 1);  // the first press disabled Button1
    EXPECT_FALSE(window.Button1Enabled());
    EXPECT_EQ(window.Image2.FileName(), dir_.Path / L"upimg\\1-1c.jpg");  // rest picture back

    Press(window, window.Image4, WM_LBUTTONDOWN);
    EXPECT_EQ(exits, 1);
    Press(window, window.Image4, WM_RBUTTONDOWN);  // a click is the left button's
    EXPECT_EQ(exits, 1);
}

}  // namespace
