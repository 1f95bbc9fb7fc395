#pragma once
// TAsyncSocket: a TCP socket in asynchronous mode that reports its Winsock
// events to a hidden window of its own, on the program's one UI thread.
// Every operation that looks blocking (resolve, connect, accept, read a line,
// receive a file, a send the peer does not take) is a loop that re-tests its
// flags and processes the application's messages in between, so the windows
// stay responsive and their handlers (a cancel button) run during the wait.
// When there is nothing to do the loop blocks in the message wait instead of
// spinning.

#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_errors.h"
#include "ftp/host_lookup_win.h"
#include "ftp/window_timer_win.h"
#include "winui/handles.h"
#include "winui/hidden_window_win.h"

namespace ftp {

using TNotifyEvent = std::function<void(void* sender)>;
using THandlerEvent = std::function<void(bool& handled)>;
using TOnErrorEvent = std::function<void(void* sender, uint16_t errno_, const std::string& errmsg)>;
using TOnStatus = std::function<void(void* sender, const std::string& status)>;

// The two messages of the socket window.
constexpr UINT WM_SOCKET_EVENT = WM_USER + 101;   // 1125: read, accept, connect, close
constexpr UINT WM_SOCKET_LOOKUP = WM_USER + 102;  // 1126: accept-wait mode

// Every event but write, which is asked for only while a send waits.
constexpr long kSocketEventMask = FD_READ | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

class TAsyncSocket {
public:
    // Turned false by the destructor; a wait holds a copy to learn that a
    // handler freed this component while it pumped.
    using AliveToken = std::shared_ptr<const bool>;

    TAsyncSocket();
    virtual ~TAsyncSocket();
    TAsyncSocket(const TAsyncSocket&) = delete;
    TAsyncSocket& operator=(const TAsyncSocket&) = delete;

    // Published properties.
    std::string Host;     // remote host: dotted IPv4 address or a name
    int Port = 0;         // remote port, or local port to listen on (0: any)
    int TimeOut = 0;      // milliseconds for the timed waits; 0: none
    int ReportLevel = 0;  // highest status level reported; 0 reports nothing
    std::string Proxy;    // when set, the host actually resolved and connected to
    int ProxyPort = 0;    // port used instead of Port when Proxy is set
    // Milliseconds an accept or a data wait may pass without anything
    // arriving; 0: no limit. Restarted by every chunk received.
    int IdleTimeOut = 0;

    TNotifyEvent OnDisconnect;              // RequestCloseSocket closed the socket
    TOnErrorEvent OnError;                  // a Winsock error is about to be raised
    THandlerEvent OnInvalidHost;            // the remote address is not resolved
    TNotifyEvent OnHostResolved;            // a name lookup succeeded
    THandlerEvent OnConnectionRequired;     // an operation needs a connection
    TOnStatus OnStatus;                     // a status text within ReportLevel
    TNotifyEvent OnConnectionFailed;        // connecting timed out, was cancelled or failed
    TNotifyEvent OnPacketRecvd;             // CaptureFile received and wrote a chunk
    TNotifyEvent OnPacketSent;              // never fired
    std::function<void()> DataReadHandler;  // called on every read notification

    // Connection and waits.
    virtual void Connect();
    virtual void Disconnect();
    virtual void Abort();
    void CheckConnection();
    void Cancel();
    void ResolveHost();
    void RequestCloseSocket();
    // Makes a component whose last use has ended as good as new for the next
    // one: an unused socket, flags and counts cleared, timers off, and no
    // notification of an earlier socket left in the queue.
    void Renew();

    // Data (sending, receiving, listening).
    void SendBuffer(const char* buffer, uint16_t length);
    void Write(const std::string& text);
    void Writeln(const std::string& text);
    std::string Read(uint16_t count);
    // One line with its line feed; empty when the peer closed. With
    // keepUnterminated, a last line cut off by the peer's close is returned
    // as it is instead of being dropped.
    std::string ReadLn(bool keepUnterminated = false);
    virtual std::string Transaction(const std::string& command);
    // Receives until the peer closes. With limit >= 0 at most limit bytes are
    // written: more fails with ESocketError(LongTransfer, overflowText).
    void CaptureFile(const std::filesystem::path& fileName, int64_t limit = -1,
                     const std::string& overflowText = {});
    void Listen(bool acceptWait);
    virtual SOCKET Accept();
    // Makes an accepted socket this component's socket; the listening one is closed.
    void AdoptAcceptedSocket(SOCKET accepted);
    bool DataAvailable();
    void ClearInput();
    std::string PortAddressText();
    std::string PortNumberText();

    enum class InputState { Data, Empty, Closed };
    // What a read would find now, without waiting or taking anything.
    InputState PollInput();
    // Raises the error a close notification carried (a reset, say): such a
    // close ends the data without completing it.
    void CheckClosedCleanly();

    void TimerOn();
    void TimerOff();
    // The idle timer of IdleTimeOut: (re)started by every sign of progress.
    void IdleTimerRestart();
    void IdleTimerOff();
    std::string ErrorText(uint16_t code);

    // Read-only state.
    bool Connected() const { return connected_; }
    bool Canceled() const { return canceled_; }
    bool TimedOut() const { return timedOut_; }
    bool EventDone() const { return eventDone_; }
    bool LastEventOk() const { return lastEventOk_; }
    int LastErrorNo() const { return lastErrorNo_; }
    const std::string& LastStatus() const { return lastStatus_; }
    const std::string& LastReply() const { return lastReply_; }
    int16_t ReplyNumber() const { return replyNumber_; }
    int32_t BytesTotal() const { return bytesTotal_; }
    virtual int32_t BytesRecvd() const { return bytesRecvd_; }
    uint32_t RemoteAddress() const { return address_.sin_addr.s_addr; }  // network order
    const std::vector<std::string>& WinsockInfo() const { return winsockInfo_; }
    SOCKET Socket() const { return socket_.get(); }
    HWND SocketWindow() const { return window_.get(); }

    // The number of live socket components in this process.
    static int LiveCount();

    // The time-out timer of one wait: on for the wait's scope, off when it
    // ends by any road, unless a handler freed the component meanwhile.
    class TimedWait {
    public:
        explicit TimedWait(TAsyncSocket& socket) : socket_(socket), alive_(socket.alive_) {
            socket_.TimerOn();
        }
        ~TimedWait() {
            if (*alive_) socket_.TimerOff();
        }
        TimedWait(const TimedWait&) = delete;
        TimedWait& operator=(const TimedWait&) = delete;

    private:
        TAsyncSocket& socket_;
        AliveToken alive_;
    };

protected:
    // What a derived component (the FTP client) may reach of the socket's
    // state: everything else goes through the public operations.

    // The TCP connection came up. Only the socket level knows this event;
    // the FTP client's public OnConnect is its login.
    TNotifyEvent OnSocketConnect;

    AliveToken Alive() const { return alive_; }
    // Marks the component as going away: waits on the stack leave, no status
    // texts or close events follow.
    void BeginDestruction();
    void SetCanceled(bool value) { canceled_ = value; }
    void SetBytesTotal(int32_t value) { bytesTotal_ = value; }
    void ReportStatus(int level, const std::string& text);
    // True when a control read should also end on this component's time-out
    // (a plain socket's time-out cancels, which ends every wait anyway).
    virtual bool ReadEndsOnTimeOut() const { return false; }

    // Blocks until a message arrives (block) and runs the pending ones; then
    // raises if a handler destroyed this component meanwhile.
    static void Pump(const AliveToken& alive, bool block, DWORD timeoutMs = INFINITE);

    // Fires an event when it is set; raises if the handler destroyed us.
    template <class F, class... A>
    void Fire(const F& event, A&&... args) {
        if (!event) return;
        AliveToken alive = alive_;
        F copy = event;
        copy(std::forward<A>(args)...);
        if (!*alive) throw EAbortError("Socket destroyed", SocketErrorKind::Destroyed);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void HandleSocketMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Raises the last Winsock error unless it is `ignored` or not above 10000.
    void HandleSocketError(int ignored);
    void TimerTriggered();
    void InitializeWinsock();
    winui::UniqueSocket NewSocket(bool linger);
    static void ResetOnClose(SOCKET s);
    // Switches notifications off before closing, so that no message names a
    // closed socket.
    void CloseSocket(winui::UniqueSocket& socket);
    void RaiseSocketError(int code);
    void WaitUntilWritable();

    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    winui::HiddenWindow window_;    // receives the socket and accept-wait messages
    std::vector<char> workBuffer_;  // 65,536 bytes and a terminating zero
    std::vector<std::string> winsockInfo_;
    bool canceled_ = false;
    bool finalClose_ = false;
    bool destroying_ = false;
    int lastErrorNo_ = 0;
    std::string lastStatus_;
    std::unique_ptr<TWindowTimer> timer_;
    std::unique_ptr<TWindowTimer> idleTimer_;  // made on first use
    bool lastEventOk_ = true;
    bool timedOut_ = false;
    int32_t bytesTotal_ = 0;
    int32_t bytesRecvd_ = 0;
    bool eventDone_ = false;
    bool writable_ = false;  // a write notification came since the last blocked send
    int closeError_ = 0;     // the error code of the last close notification
    sockaddr_in address_{};
    std::vector<char> receiveBuffer_;  // CaptureFile's receives, several chunks at once
    std::unique_ptr<HostLookup> lookup_;
    std::string lastReply_;
    int16_t replyNumber_ = 0;
    winui::UniqueSocket socket_;
    bool connected_ = false;
    bool connectSeen_ = false;  // the connect notification of the current Connect came
    bool unused_ = true;        // socket_ was never connected, bound or listened on
    bool counted_ = false;
};

}  // namespace ftp
