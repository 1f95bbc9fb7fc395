#pragma once
// The application's message steps, shared by every wait of both programs.
// Waits never spin: they block in WaitForMessage until a message arrives or
// their deadline passes, then run ProcessMessages and re-test their flags.

#include <windows.h>

namespace winui {

// Dispatches every message pending for this thread, then returns. A WM_QUIT
// met on the way marks the application as terminated and is not dispatched.
void ProcessMessages();

// Blocks until a message may be pending for this thread or timeoutMs passes.
// Dispatches nothing. A wake may also bring no message (a message sent from
// another thread, window-system events that made none), so callers re-test
// their flags and deadlines, as every wait does. INFINITE waits without limit.
void WaitForMessage(DWORD timeoutMs);

// True once a WM_QUIT has been taken from the queue.
bool Terminated();

// Waits for the next message and dispatches it: one turn of a message loop
// (the application's and every modal window's). A WM_QUIT marks the
// application as terminated instead.
void HandleMessage();

// Forgets an earlier WM_QUIT. For tests that run several loops in one process.
void ResetTerminated();

}  // namespace winui
