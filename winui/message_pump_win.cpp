#include "winui/message_pump.h"

namespace winui {
namespace {
bool terminated = false;
}

void ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated = true;
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void WaitForMessage(DWORD timeoutMs) {
    // The wait may also end with nothing for this thread's queue (a message
    // sent from another thread and handled inside the wait, or window-system
    // events that yielded no message), so it goes on until one is pending or
    // the time is up.
    const DWORD start = GetTickCount();
    DWORD left = timeoutMs;
    for (;;) {
        // MWMO_INPUTAVAILABLE: also wake for messages that arrived before this
        // call but were already seen by an earlier peek.
        if (MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
            WAIT_OBJECT_0) {
            return;
        }
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
        if (timeoutMs == INFINITE) continue;
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs) return;
        left = timeoutMs - spent;
    }
}

bool Terminated() { return terminated; }

void HandleMessage() {
    MSG msg;
    const BOOL result = GetMessageW(&msg, nullptr, 0, 0);
    if (result == 0) {
        terminated = true;
        return;
    }
    if (result == -1) {
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void ResetTerminated() { terminated = false; }

}  // namespace winui
