#pragma once
// An asynchronous host lookup by name (WSAAsyncGetHostByName) whose result
// buffer outlives the lookup object. The system writes the host entry into
// the buffer from another thread and only then posts its message; a lookup
// that is withdrawn (time-out, cancel, the component freed) may still be
// written afterwards, since withdrawing is not honoured everywhere. So every
// buffer stays with a process-wide window until the system's message for it
// has arrived.

#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "winui/handles.h"

namespace ftp {

// The system call that starts a lookup. Tests swap it for a resolver that
// answers when told to.
using LookupStart = HANDLE(WINAPI*)(HWND window, u_int message, const char* name, char* buffer,
                                    int size);
LookupStart& CurrentLookupStart();

// Buffers handed to the system whose answer has not come back yet.
size_t PendingLookupCount();

class HostLookup {
public:
    // Starts the lookup of `name`; Done() turns true when the answer's message
    // has been dispatched. A lookup the system refuses to start is done and
    // failed at once.
    explicit HostLookup(const std::string& name);
    // Withdraws an unfinished lookup; its buffer stays until the system lets go.
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    bool Done() const;
    // The first IPv4 address found (network order); none while not done or
    // after a failed lookup.
    std::optional<uint32_t> Address() const;

    struct Pending;

private:
    std::shared_ptr<Pending> pending_;
    winui::UniqueHostLookup task_;
};

}  // namespace ftp
