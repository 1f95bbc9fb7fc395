#include "winui/message_pump.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

int deliveries = 0;
int sentDeliveries = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        ++deliveries;
        return 0;
    }
    if (msg == WM_APP + 1) {
        ++sentDeliveries;
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeCountingWindow() {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = CountingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PumpTestWindow";
        return RegisterClassW(&wc);
    }();
    if (atom == 0) return nullptr;
    return CreateWindowW(L"PumpTestWindow", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

TEST(MessagePump, WaitWakesForAPostedMessageAndProcessDispatchesIt) {
    HWND hwnd = MakeCountingWindow();
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

TEST(MessagePump, WaitReturnsAtItsDeadlineWhenNothingArrives) {
    winui::ProcessMessages();
    const DWORD start = GetTickCount();
    winui::WaitForMessage(50);
    EXPECT_GE(GetTickCount() - start, 40u);
}

// A message sent from another thread wakes the wait and is handled in it, but
// leaves nothing pending: the wait goes on to its deadline.
TEST(MessagePump, WaitOutlastsAMessageSentFromAnotherThread) {
    HWND hwnd = MakeCountingWindow();
    ASSERT_NE(hwnd, nullptr);
    winui::ProcessMessages();
    sentDeliveries = 0;
    std::thread([hwnd] { SendNotifyMessageW(hwnd, WM_APP + 1, 0, 0); }).join();
    const DWORD start = GetTickCount();
    winui::WaitForMessage(100);
    EXPECT_GE(GetTickCount() - start, 90u);
    EXPECT_EQ(sentDeliveries, 1);
    DestroyWindow(hwnd);
}

}  // namespace
