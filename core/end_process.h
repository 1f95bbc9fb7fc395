#pragma once
// Ends the process at once with an exit code. No static destructor runs: the
// callers sit inside a window procedure or an event handler, where tearing
// down globals under the live call stack is not safe.

namespace selvane {

[[noreturn]] void EndProcess(int code);

}  // namespace selvane
