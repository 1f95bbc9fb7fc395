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
    // MWMO_INPUTAVAILABLE: also wake for messages that arrived before this
    // call but were already seen by an earlier peek.
    MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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
