#include "ftp/async_socket_win.h"

#include <algorithm>
#include <cstring>

#include "ftp/ftp_text.h"
#include "winui/application.h"
#include "winui/message_pump.h"
#include "winui/text.h"

namespace ftp {
namespace {

constexpr wchar_t kSocketClass[] = L"AsyncSockWindowClass";
constexpr int kWorkSize = 65536;
constexpr DWORD kDataPumpMs = 8;
// CaptureFile takes up to sixteen chunks per receive when they are waiting:
// every receive costs round trips that would otherwise bound a fast transfer.
constexpr int kReceiveSize = 16 * kWorkSize;

int liveComponents = 0;
WSADATA winsockData{};

std::string SystemMessage(DWORD code) {
    char buffer[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string FileError(const char* what, const std::filesystem::path& name) {
    const DWORD code = GetLastError();
    return std::string(what) + " \"" + winui::Narrow(name.native()) + "\". " + SystemMessage(code);
}

}  // namespace

int TAsyncSocket::LiveCount() { return liveComponents; }

TAsyncSocket::TAsyncSocket()
    : window_(kSocketClass, &TAsyncSocket::WindowProc, this), workBuffer_(kWorkSize + 1, 0) {
    timer_ = std::make_unique<TWindowTimer>();
    timer_->SetEnabled(false);
    timer_->SetOnTimer([this](TWindowTimer*) { TimerTriggered(); });
    address_.sin_family = AF_INET;
    InitializeWinsock();
}

void TAsyncSocket::InitializeWinsock() {
    ReportStatus(8, "Initializing Winsock");
    ++liveComponents;
    counted_ = true;
    try {
        if (liveComponents == 1) {
            WSAStartup(MAKEWORD(1, 1), &winsockData);
            const auto ver = [](WORD v) {
                return std::to_string(HIBYTE(v)) + "." + std::to_string(LOBYTE(v));
            };
            winsockInfo_.push_back("Version= " + ver(winsockData.wVersion));
            winsockInfo_.push_back("High Version= " + ver(winsockData.wHighVersion));
            winsockInfo_.push_back(std::string("Description= ") + winsockData.szDescription);
            winsockInfo_.push_back(std::string("System= ") + winsockData.szSystemStatus);
            winsockInfo_.push_back("Max Sockets= " + std::to_string(winsockData.iMaxSockets));
            winsockInfo_.push_back("Max Udp pack size= " + std::to_string(winsockData.iMaxUdpDg));
        }
        if (!window_.get()) throw ESocketError("no socket window");
        socket_ = NewSocket(true);
    } catch (...) {
        counted_ = false;
        if (--liveComponents == 0) WSACleanup();
        throw ESocketError("Initializaton of windows sockets failed");
    }
}

winui::UniqueSocket TAsyncSocket::NewSocket(bool linger) {
    winui::UniqueSocket s(socket(AF_INET, SOCK_STREAM, linger ? IPPROTO_TCP : 0));
    if (!s) {
        HandleSocketError(WSAEWOULDBLOCK);
        throw ESocketError("Initializaton of windows sockets failed");
    }
    if (linger) ResetOnClose(s.get());
    WSAAsyncSelect(s.get(), window_.get(), WM_SOCKET_EVENT, kSocketEventMask);
    unused_ = true;
    return s;
}

void TAsyncSocket::ResetOnClose(SOCKET s) {
    // Closing a component's first socket resets the connection instead of
    // lingering.
    LINGER l{};
    l.l_onoff = 1;
    l.l_linger = 0;
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
}

void TAsyncSocket::CloseSocket(winui::UniqueSocket& socket) {
    if (socket) WSAAsyncSelect(socket.get(), window_.get(), 0, 0);
    socket.reset();
}

void TAsyncSocket::BeginDestruction() {
    *alive_ = false;
    destroying_ = true;
    canceled_ = true;
}

TAsyncSocket::~TAsyncSocket() {
    BeginDestruction();
    lookup_.reset();  // withdrawn; its buffer stays until the system lets go
    timer_.reset();
    idleTimer_.reset();
    finalClose_ = true;
    connected_ = false;
    CloseSocket(socket_);
    if (counted_ && --liveComponents == 0) WSACleanup();
}

LRESULT CALLBACK TAsyncSocket::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = winui::HiddenWindow::OwnerOf<TAsyncSocket>(hwnd);
    if (self && msg >= WM_SOCKET_EVENT) {
        winui::Guarded([&] {
            try {
                self->HandleSocketMessage(msg, wp, lp);
            } catch (const ESocketError& e) {
                // A handler freed the component: nothing went wrong.
                if (e.Kind != SocketErrorKind::Destroyed) throw;
            }
        });
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void TAsyncSocket::HandleSocketMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const WORD event = WSAGETSELECTEVENT(lp);
    const WORD error = WSAGETSELECTERROR(lp);
    // A notification still queued for a socket closed since is stale.
    if (static_cast<SOCKET>(wp) != socket_.get()) return;
    if (msg == WM_SOCKET_EVENT) {
        lastEventOk_ = error == 0;
        switch (event) {
            case FD_READ:
                if (DataReadHandler) {
                    try {
                        Fire(DataReadHandler);
                    } catch (...) {
                        // A read handler's failure goes no further, by design.
                    }
                }
                break;
            case FD_WRITE:
                writable_ = true;
                break;
            case FD_ACCEPT:
                connected_ = true;
                break;
            case FD_CONNECT:
                if (lastEventOk_) {
                    connected_ = true;
                    connectSeen_ = true;
                    Fire(OnSocketConnect, this);
                }
                break;
            case FD_CLOSE:
                if (error != 0) closeError_ = error;
                // While data is still pending the close is left to the reader.
                if (!DataAvailable()) RequestCloseSocket();
                break;
            default:
                break;
        }
    } else if (msg == WM_SOCKET_LOOKUP && event == FD_ACCEPT) {
        lastEventOk_ = error == 0;
        eventDone_ = true;
        connected_ = true;
    }
}

void TAsyncSocket::Pump(const AliveToken& alive, bool block, DWORD timeoutMs) {
    if (block) winui::WaitForMessage(timeoutMs);
    winui::ProcessMessages();
    if (!*alive) throw EAbortError("Socket destroyed", SocketErrorKind::Destroyed);
}

void TAsyncSocket::ReportStatus(int level, const std::string& text) {
    try {
        if (level <= ReportLevel) {
            lastStatus_ = text;
            if (!destroying_ && OnStatus) {
                auto handler = OnStatus;
                handler(this, text);
            }
        }
    } catch (...) {
        // A status text is never worth ending an operation for.
    }
}

std::string TAsyncSocket::ErrorText(uint16_t code) {
    if (code == 0) return {};
    ReportStatus(8, "Looking Up Error Message");
    return WinsockErrorText(code);
}

void TAsyncSocket::RaiseSocketError(int code) {
    const std::string text = ErrorText(static_cast<uint16_t>(code));
    Fire(OnError, this, static_cast<uint16_t>(code), text);
    throw ESocketError(text);
}

void TAsyncSocket::HandleSocketError(int ignored) {
    lastErrorNo_ = WSAGetLastError();
    if (lastErrorNo_ != ignored && lastErrorNo_ > 10000) RaiseSocketError(lastErrorNo_);
}

void TAsyncSocket::CheckClosedCleanly() {
    if (closeError_ == 0) return;
    lastErrorNo_ = closeError_;
    RaiseSocketError(closeError_);
}

void TAsyncSocket::TimerOn() {
    ReportStatus(8, "Timer On");
    timedOut_ = false;
    timer_->SetInterval(static_cast<UINT>(TimeOut < 0 ? 0 : TimeOut));
    timer_->SetEnabled(true);
}

void TAsyncSocket::TimerOff() {
    ReportStatus(8, "Timer Off");
    if (timer_) timer_->SetEnabled(false);
}

void TAsyncSocket::TimerTriggered() {
    ReportStatus(8, "Timer Triggered");
    TimerOff();
    timedOut_ = true;
    eventDone_ = true;
    Abort();
}

void TAsyncSocket::IdleTimerRestart() {
    if (IdleTimeOut <= 0) return;
    if (!idleTimer_) {
        idleTimer_ = std::make_unique<TWindowTimer>();
        idleTimer_->SetEnabled(false);
        // Ends the running wait as a time-out does: nothing came for too long.
        idleTimer_->SetOnTimer([this](TWindowTimer* timer) {
            timer->SetEnabled(false);
            Cancel();
        });
    }
    idleTimer_->SetInterval(static_cast<UINT>(IdleTimeOut));
    idleTimer_->SetEnabled(false);  // the setters act on a change only
    idleTimer_->SetEnabled(true);
}

void TAsyncSocket::IdleTimerOff() {
    if (idleTimer_) idleTimer_->SetEnabled(false);
}

void TAsyncSocket::Cancel() {
    ReportStatus(8, "Canceling");
    canceled_ = true;
}

void TAsyncSocket::Abort() {
    ReportStatus(8, "Abort");
    Cancel();
}

void TAsyncSocket::CheckConnection() {
    ReportStatus(8, "Checking Connection");
    bool firstPass = true;
    while (!connected_) {
        if (firstPass && OnConnectionRequired) {
            firstPass = false;
            bool handled = false;
            Fire(OnConnectionRequired, handled);
            if (handled) continue;
        }
        throw selvane::Exception("Not Connected");
    }
}

void TAsyncSocket::ResolveHost() {
    ReportStatus(8, "Resolve Host");
    const std::string name = Proxy.empty() ? Host : Proxy;
    const size_t n = std::min<size_t>(name.size(), kWorkSize);
    std::memcpy(workBuffer_.data(), name.data(), n);
    workBuffer_[n] = 0;
    const unsigned long parsed = inet_addr(workBuffer_.data());
    if (parsed != INADDR_NONE && !name.empty()) {
        address_.sin_addr.s_addr = parsed;
        return;
    }
    address_.sin_addr.s_addr = 0;
    {
        TimedWait wait(*this);
        eventDone_ = false;
        AliveToken alive = alive_;
        lookup_ = std::make_unique<HostLookup>(workBuffer_.data());
        while (!lookup_->Done() && !timedOut_ && !canceled_) Pump(alive, true);
    }
    const bool done = lookup_->Done();
    const std::optional<uint32_t> found = lookup_->Address();
    lookup_.reset();  // withdraws a lookup that did not finish
    if (!done) {
        if (timedOut_) throw ESocketError("Host Lookup Timed Out", SocketErrorKind::LookupTimedOut);
        throw ESocketError("Host Lookup Canceled", SocketErrorKind::LookupCanceled);
    }
    lastEventOk_ = found.has_value();
    if (!found) throw ESocketError("Host Lookup Failed", SocketErrorKind::LookupFailed);
    address_.sin_addr.s_addr = *found;
    Fire(OnHostResolved, this);
}

void TAsyncSocket::Connect() {
    ReportStatus(8, "Connecting");
    canceled_ = false;
    closeError_ = 0;
    if (connected_) throw ESocketError("Already connected");
    for (int pass = 0;; ++pass) {
        try {
            ResolveHost();
        } catch (const ESocketError& e) {
            // Only a resolver's "no" is left to the invalid-host handler.
            if (e.Kind != SocketErrorKind::LookupFailed) throw;
        }
        if (address_.sin_addr.s_addr != 0) break;
        if (pass == 0 && OnInvalidHost) {
            bool handled = false;
            Fire(OnInvalidHost, handled);
            if (handled) continue;
        }
        throw ESocketError("Null Remote Address");
    }
    address_.sin_family = AF_INET;
    const int port = Proxy.empty() ? Port : ProxyPort;
    address_.sin_port = htons(static_cast<u_short>(port & 0xFFFF));
    eventDone_ = false;
    lastEventOk_ = true;
    connectSeen_ = false;
    unused_ = false;
    if (connect(socket_.get(), reinterpret_cast<const sockaddr*>(&address_), sizeof address_) ==
        SOCKET_ERROR) {
        HandleSocketError(WSAEWOULDBLOCK);
    }
    {
        TimedWait wait(*this);
        AliveToken alive = alive_;
        // connectSeen_: a peer that accepts and closes at once may have its
        // close handled in the same pass as the connect; that is no reason to
        // wait on until the time-out (or for ever without one).
        while (!connected_ && !connectSeen_ && !timedOut_ && !canceled_ && lastEventOk_) {
            Pump(alive, true);
        }
    }
    if (!timedOut_ && !canceled_ && lastEventOk_) return;
    Fire(OnConnectionFailed, this);
    if (timedOut_) throw ESocketError("Connection Timed out");
    if (canceled_) throw ESocketError("Connection Canceled");
    throw ESocketError("Connection Failed");
}

void TAsyncSocket::Disconnect() {
    ReportStatus(8, "Disconnecting");
    RequestCloseSocket();
}

void TAsyncSocket::RequestCloseSocket() {
    ReportStatus(4, "Request Close Socket");
    connected_ = false;
    if (!socket_) return;
    WSAAsyncSelect(socket_.get(), window_.get(), 0, 0);
    const bool closed = closesocket(socket_.release()) != SOCKET_ERROR;
    if (!finalClose_) socket_ = NewSocket(false);
    if (!closed) {
        HandleSocketError(WSAEWOULDBLOCK);
        return;
    }
    if (!destroying_) Fire(OnDisconnect, this);
}

void TAsyncSocket::Renew() {
    if (unused_) {
        ResetOnClose(socket_.get());  // as a new component's first socket does
    } else {
        CloseSocket(socket_);
        socket_ = NewSocket(true);
    }
    // Notifications for the sockets closed since may still be queued, and a
    // new socket may get a closed one's handle value: they must not reach it.
    MSG stale;
    while (PeekMessageW(&stale, window_.get(), WM_SOCKET_EVENT, WM_SOCKET_LOOKUP, PM_REMOVE)) {
    }
    TimerOff();
    IdleTimerOff();
    canceled_ = false;
    timedOut_ = false;
    eventDone_ = false;
    lastEventOk_ = true;
    connected_ = false;
    connectSeen_ = false;
    writable_ = false;
    closeError_ = 0;
    bytesTotal_ = 0;
    bytesRecvd_ = 0;
}

// ---- Sending ----

void TAsyncSocket::WaitUntilWritable() {
    // Write notifications are asked for only now: asking makes the system
    // post one as soon as the peer has taken enough to send again.
    writable_ = false;
    WSAAsyncSelect(socket_.get(), window_.get(), WM_SOCKET_EVENT, kSocketEventMask | FD_WRITE);
    AliveToken alive = alive_;
    try {
        while (!writable_ && !canceled_ && !timedOut_) Pump(alive, true);
    } catch (...) {
        if (*alive) {
            WSAAsyncSelect(socket_.get(), window_.get(), WM_SOCKET_EVENT, kSocketEventMask);
        }
        throw;
    }
    WSAAsyncSelect(socket_.get(), window_.get(), WM_SOCKET_EVENT, kSocketEventMask);
    // A time-out ends a send like a cancel: a peer that takes nothing more
    // would otherwise hold the program for good.
    if (timedOut_) canceled_ = true;
}

void TAsyncSocket::SendBuffer(const char* buffer, uint16_t length) {
    ReportStatus(4, "Sending Buffer");
    TimedWait wait(*this);
    if (!canceled_) {
        size_t total = length;
        if (total == 0) total = strnlen(buffer, 65536);
        if (total > 65535) throw ERangeError("Range check error");
        size_t remaining = total;
        do {
            const int sent =
                send(socket_.get(), buffer + (total - remaining), static_cast<int>(remaining), 0);
            if (sent == 0) break;
            if (sent == SOCKET_ERROR) {
                HandleSocketError(WSAEWOULDBLOCK);
                WaitUntilWritable();
                continue;
            }
            remaining -= static_cast<size_t>(sent);
        } while (remaining != 0 && !canceled_);
    }
    if (canceled_) {
        canceled_ = false;
        throw EAbortError("Socket send aborted");
    }
}

void TAsyncSocket::Write(const std::string& text) {
    ReportStatus(8, "Write");
    if (text.size() >= static_cast<size_t>(kWorkSize)) throw ERangeError("Range check error");
    std::memcpy(workBuffer_.data(), text.data(), text.size());
    workBuffer_[text.size()] = 0;
    SendBuffer(workBuffer_.data(), 0);
}

void TAsyncSocket::Writeln(const std::string& text) {
    ReportStatus(8, "Writeln");
    Write(text + "\r\n");
}

// ---- Receiving ----

bool TAsyncSocket::DataAvailable() {
    ReportStatus(8, "Data Available");
    char c;
    return recv(socket_.get(), &c, 1, MSG_PEEK) == 1;
}

TAsyncSocket::InputState TAsyncSocket::PollInput() {
    ReportStatus(8, "Data Available");
    char c;
    const int n = recv(socket_.get(), &c, 1, MSG_PEEK);
    if (n == 1) return InputState::Data;
    if (n == 0) return InputState::Closed;
    lastErrorNo_ = WSAGetLastError();
    if (lastErrorNo_ == WSAEWOULDBLOCK) return InputState::Empty;
    if (lastErrorNo_ == WSAENOTCONN) return InputState::Closed;
    HandleSocketError(WSAEWOULDBLOCK);
    return InputState::Closed;
}

void TAsyncSocket::ClearInput() {
    ReportStatus(8, "Clearing Input");
    std::vector<char> scratch(kWorkSize);
    recv(socket_.get(), scratch.data(), kWorkSize, 0);
}

std::string TAsyncSocket::Read(uint16_t count) {
    ReportStatus(8, "Read( " + std::to_string(count) + " )");
    if (count == 0) {
        const int n = recv(socket_.get(), workBuffer_.data(), 65535, MSG_PEEK);
        if (n == SOCKET_ERROR) {
            HandleSocketError(WSAEWOULDBLOCK);
            return {};
        }
        if (n <= 0) return {};
        const int got = recv(socket_.get(), workBuffer_.data(), n, 0);
        return got > 0 ? std::string(workBuffer_.data(), got) : std::string();
    }
    AliveToken alive = alive_;
    do {
        const int n = recv(socket_.get(), workBuffer_.data(), count, MSG_PEEK);
        if (n >= count) {
            const int got = recv(socket_.get(), workBuffer_.data(), count, 0);
            return std::string(workBuffer_.data(), got > 0 ? got : 0);
        }
        if (n == 0) return {};
        bool wait = n > 0;
        if (n == SOCKET_ERROR) {
            HandleSocketError(WSAEWOULDBLOCK);
            wait = true;
        }
        Pump(alive, wait, 50);
    } while (!canceled_);
    canceled_ = false;
    throw EAbortError("Socket send aborted");
}

std::string TAsyncSocket::ReadLn(bool keepUnterminated) {
    ReportStatus(8, "ReadLn");
    TimedWait wait(*this);
    AliveToken alive = alive_;
    std::string line;
    const auto ended = [&] { return canceled_ || (timedOut_ && ReadEndsOnTimeOut()); };
    do {
        if (line.size() >= static_cast<size_t>(kWorkSize)) {
            throw ERangeError("Reply line too long");
        }
        const int room = kWorkSize - static_cast<int>(line.size());
        const int n = recv(socket_.get(), workBuffer_.data(), room, MSG_PEEK);
        bool block = false;
        if (n == 0) return keepUnterminated ? line : std::string();
        if (n == SOCKET_ERROR) {
            lastErrorNo_ = WSAGetLastError();
            if (lastErrorNo_ == WSAENOTCONN) return keepUnterminated ? line : std::string();
            HandleSocketError(WSAEWOULDBLOCK);
            block = true;
        } else {
            const void* lf = std::memchr(workBuffer_.data(), '\n', static_cast<size_t>(n));
            if (lf) {
                const int take =
                    static_cast<int>(static_cast<const char*>(lf) - workBuffer_.data()) + 1;
                const int got = recv(socket_.get(), workBuffer_.data(), take, 0);
                if (got > 0) line.append(workBuffer_.data(), static_cast<size_t>(got));
                return line;
            }
            const int got = recv(socket_.get(), workBuffer_.data(), n, 0);
            if (got > 0) line.append(workBuffer_.data(), static_cast<size_t>(got));
        }
        Pump(alive, block);
    } while (!ended());
    canceled_ = false;
    throw EAbortError("Socket readln aborted");
}

std::string TAsyncSocket::Transaction(const std::string& command) {
    ReportStatus(8, "Transaction");
    replyNumber_ = 0;
    Writeln(command);
    lastReply_ = ReadLn();
    if (!lastReply_.empty()) {
        ReportStatus(1, lastReply_);
        replyNumber_ = ReplyNumberOf(lastReply_);
    }
    return lastReply_;
}

void TAsyncSocket::CaptureFile(const std::filesystem::path& fileName, int64_t limit,
                               const std::string& overflowText) {
    ReportStatus(8, "CaptureFile");
    bytesRecvd_ = 0;
    TimedWait wait(*this);
    AliveToken alive = alive_;
    struct IdleOff {
        TAsyncSocket& socket;
        AliveToken alive;
        ~IdleOff() {
            if (*alive) socket.IdleTimerOff();
        }
    } idleOff{*this, alive_};
    IdleTimerRestart();
    winui::UniqueFile file(CreateFileW(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw selvane::Exception(FileError("Cannot create file", fileName));
    // Only data connections receive files: the control connection never
    // needs the buffer.
    if (receiveBuffer_.empty()) receiveBuffer_.resize(kReceiveSize);
    DWORD lastPump = GetTickCount();
    while (!canceled_) {
        const int n = recv(socket_.get(), receiveBuffer_.data(), kReceiveSize, 0);
        bool block = false;
        if (n > 0) {
            IdleTimerRestart();
            // One receive may bring several chunks; each is written and
            // announced on its own, as if it had been received alone.
            for (int offset = 0; offset < n; offset += kWorkSize) {
                DWORD piece = static_cast<DWORD>(std::min(kWorkSize, n - offset));
                bool overflow = false;
                if (limit >= 0 && bytesRecvd_ + static_cast<int64_t>(piece) > limit) {
                    // Nothing beyond the limit reaches the file.
                    piece = static_cast<DWORD>(limit - bytesRecvd_);
                    overflow = true;
                }
                DWORD written = 0;
                if (piece != 0 && (!WriteFile(file.get(), receiveBuffer_.data() + offset, piece,
                                              &written, nullptr) ||
                                   written != piece)) {
                    throw selvane::Exception(FileError("Cannot write file", fileName));
                }
                bytesRecvd_ += static_cast<int32_t>(piece);
                if (overflow) throw ESocketError(overflowText, SocketErrorKind::LongTransfer);
                Fire(OnPacketRecvd, this);
            }
            TimerOn();  // keeps a running timer: the time-out counts from the start
        } else if (n == 0) {
            break;
        } else {
            lastErrorNo_ = WSAGetLastError();
            if (lastErrorNo_ == WSAENOTCONN) break;
            HandleSocketError(WSAEWOULDBLOCK);
            block = true;
        }
        // While data keeps coming the queue is run every few milliseconds
        // rather than after every chunk: each look at the queue costs a
        // round trip that would otherwise slow a fast transfer down.
        const DWORD now = GetTickCount();
        if (block || now - lastPump >= kDataPumpMs) {
            Pump(alive, block);
            lastPump = now;
        }
    }
    if (canceled_) {
        canceled_ = false;
        throw EAbortError("Socket send aborted");
    }
    CheckClosedCleanly();
}

// ---- Listening ----

void TAsyncSocket::Listen(bool acceptWait) {
    ReportStatus(8, "Listening");
    if (Port < 0 || Port > 65535) throw ERangeError("Range check error");
    address_.sin_family = AF_INET;
    address_.sin_addr.s_addr = INADDR_ANY;
    address_.sin_port = htons(static_cast<u_short>(Port));
    eventDone_ = false;
    closeError_ = 0;
    unused_ = false;
    bind(socket_.get(), reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
    WSAAsyncSelect(socket_.get(), window_.get(), acceptWait ? WM_SOCKET_LOOKUP : WM_SOCKET_EVENT,
                   FD_ACCEPT);
    listen(socket_.get(), 1);
}

SOCKET TAsyncSocket::Accept() {
    ReportStatus(4, "Accepting");
    AliveToken alive = alive_;
    {
        // A server that never opens the data connection would hold this wait
        // for good; the time-out and the idle time-out cancel it.
        TimedWait wait(*this);
        IdleTimerRestart();
        try {
            while (!eventDone_ && !canceled_) Pump(alive, true);
        } catch (...) {
            if (*alive) IdleTimerOff();
            throw;
        }
        IdleTimerOff();
    }
    if (canceled_) throw ESocketError("Accepting Canceled");
    if (!lastEventOk_) throw ESocketError("Error creating Data Connection");
    sockaddr_in peer{};
    int size = sizeof peer;
    winui::UniqueSocket accepted(accept(socket_.get(), reinterpret_cast<sockaddr*>(&peer), &size));
    if (!accepted) {
        HandleSocketError(WSAEWOULDBLOCK);
        throw ESocketError("Error creating Data Connection");
    }
    WSAAsyncSelect(accepted.get(), window_.get(), WM_SOCKET_EVENT, kSocketEventMask);
    address_ = peer;
    return accepted.release();
}

void TAsyncSocket::AdoptAcceptedSocket(SOCKET accepted) {
    CloseSocket(socket_);
    socket_.reset(accepted);
    unused_ = false;
    connected_ = true;
    closeError_ = 0;
}

std::string TAsyncSocket::PortAddressText() {
    sockaddr_in local{};
    int size = sizeof local;
    getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&local), &size);
    uint8_t bytes[4];
    std::memcpy(bytes, &local.sin_addr.s_addr, 4);
    return ftp::PortAddressText(bytes);
}

std::string TAsyncSocket::PortNumberText() {
    sockaddr_in local{};
    int size = sizeof local;
    getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&local), &size);
    return ftp::PortNumberText(ntohs(local.sin_port));
}

}  // namespace ftp
