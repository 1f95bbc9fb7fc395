#pragma once
// The application's message steps, shared by every wait of both programs.
// Waits never spin: they block in WaitForMessage until a message arrives or
// their deadline passes, then run ProcessMessages and re-test their flags.

#include <windows.h>

namespace winui {

// Dispatches every message pending for this thread, then returns. A WM_QUIT
// met on the way marks the application as terminated and is not dispatched.
void ProcessMessages();

// Blocks until a message is pending for this thread or timeoutMs passes.
// Dispatches nothing. INFINITE waits without limit.
void WaitForMessage(DWORD timeoutMs);

// True once a WM_QUIT has been taken from the queue.
bool Terminated();

}  // namespace winui
