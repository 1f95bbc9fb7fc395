#include "winui/message_pump.h"

#include <gtest/gtest.h>

namespace {

int deliveries = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        ++deliveries;
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(MessagePump, WaitWakesForAPostedMessageAndProcessDispatchesIt) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PumpTestWindow";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND hwnd = CreateWindowW(L"PumpTestWindow", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);

    deliveries = 0;
    PostMessageW(hwnd, WM_APP, 0, 0);
    PostMessageW(hwnd, WM_APP, 0, 0);
    winui::WaitForMessage(5000);
    winui::ProcessMessages();
    EXPECT_EQ(deliveries, 2);
    EXPECT_FALSE(winui::Terminated());

    PostQuitMessage(0);
    winui::ProcessMessages();
    EXPECT_TRUE(winui::Terminated());
    DestroyWindow(hwnd);
}

// A wait may wake without a message (the window system's own events do that
// under wine), but when nothing arrives it blocks: a handful of wakes in
// 100 ms, not a spin.
TEST(MessagePump, WaitBlocksUntilItsDeadlineWhenNothingArrives) {
    winui::ProcessMessages();
    constexpr DWORD kWindowMs = 100;
    const DWORD start = GetTickCount();
    int wakes = 0;
    for (DWORD spent = 0; spent < kWindowMs; spent = GetTickCount() - start) {
        winui::WaitForMessage(kWindowMs - spent);
        winui::ProcessMessages();
        ++wakes;
    }
    EXPECT_LE(wakes, 5);
}

}  // namespace
