#pragma once
// One owner per kind of Win32 handle: movable, not copyable, and closed
// exactly once. Both nullptr and the kind's "invalid" value mean "nothing
// owned", so a failed CreateFileW or socket() can be stored as it is.

#include <windows.h>
#include <winsock2.h>

#include <utility>

namespace winui {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return h_; }
    bool valid() const { return !Empty(h_); }
    explicit operator bool() const { return valid(); }

    // Gives up ownership without closing.
    Handle release() {
        Handle h = h_;
        h_ = Traits::Invalid();
        return h;
    }

    void reset(Handle h = Traits::Invalid()) {
        Handle old = h_;
        h_ = h;
        if (!Empty(old)) Traits::Close(old);
    }

private:
    static bool Empty(Handle h) { return h == Handle{} || h == Traits::Invalid(); }

    Handle h_ = Traits::Invalid();
};

// Files, processes, threads: every handle CloseHandle takes.
struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};

struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyWindow(h); }
};

// A socket owner closes without further ado; a caller that selected
// notifications for the socket switches them off (WSAAsyncSelect(s, hwnd, 0,
// 0)) before letting go, so that no message names a closed socket.
struct SocketTraits {
    using Handle = SOCKET;
    static Handle Invalid() { return INVALID_SOCKET; }
    static void Close(Handle h) { closesocket(h); }
};

// An asynchronous host lookup (WSAAsyncGetHostByName): letting go withdraws
// it. The system may still write the result buffer after that; whoever
// started the lookup keeps the buffer until the answer's message arrives.
struct HostLookupTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { WSACancelAsyncRequest(h); }
};

using UniqueFile = UniqueHandle<FileTraits>;
using UniqueKernelHandle = UniqueHandle<FileTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueSocket = UniqueHandle<SocketTraits>;
using UniqueHostLookup = UniqueHandle<HostLookupTraits>;

// A window's device context (or the screen's, for a null window), released
// to that window.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace winui
