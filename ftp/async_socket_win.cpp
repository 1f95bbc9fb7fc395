#include "ftp/async_socket_win.h"

#include <cstring>

#include "ftp/ftp_text.h"
#include "winui/message_pump.h"

namespace ftp {
namespace {

constexpr wchar_t kSocketClass[] = L"AsyncSockWindowClass";
constexpr int kWorkSize = 65536;
constexpr int kHostEntrySize = 1024;  // MAXGETHOSTSTRUCT

int liveComponents = 0;
WSADATA winsockData{};

// Closes a file handle when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

std::string SystemMessage(DWORD code) {
    char buffer[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace

int TAsyncSocket::LiveCount() { return liveComponents; }

TAsyncSocket::TAsyncSocket() : workBuffer_(kWorkSize + 1, 0), hostEntryBuffer_(kHostEntrySize) {
    RegisterHiddenClass(kSocketClass, &TAsyncSocket::WindowProc);
    window_ = CreateHiddenWindow(kSocketClass, this);
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
        if (!window_) throw ESocketError("no socket window");
        socket_ = NewSocket(true);
    } catch (...) {
        counted_ = false;
        if (--liveComponents == 0) WSACleanup();
        throw ESocketError("Initializaton of windows sockets failed");
    }
}

SOCKET TAsyncSocket::NewSocket(bool linger) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, linger ? IPPROTO_TCP : 0);
    if (s == INVALID_SOCKET) {
        HandleSocketError(WSAEWOULDBLOCK);
        throw ESocketError("Initializaton of windows sockets failed");
    }
    if (linger) {
        // Closing this first socket resets the connection instead of lingering.
        LINGER l{};
        l.l_onoff = 1;
        l.l_linger = 0;
        setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    }
    WSAAsyncSelect(s, window_, WM_SOCKET_EVENT, kSocketEventMask);
    return s;
}

void TAsyncSocket::CloseSocketHandle(SOCKET s) {
    // Notifications of a closed socket must not arrive after it is gone.
    if (window_) WSAAsyncSelect(s, window_, 0, 0);
    closesocket(s);
}

TAsyncSocket::~TAsyncSocket() {
    // Waits of this object that are still on the stack see this and leave
    // without touching it again.
    *alive_ = false;
    destroying_ = true;
    canceled_ = true;
    timer_.reset();
    finalClose_ = true;
    if (socket_ != INVALID_SOCKET) {
        connected_ = false;
        CloseSocketHandle(socket_);
        socket_ = INVALID_SOCKET;
    }
    if (window_) {
        SetWindowLongPtrW(window_, 0, 0);
        DestroyWindow(window_);
        window_ = nullptr;
    }
    if (counted_ && --liveComponents == 0) WSACleanup();
}

LRESULT CALLBACK TAsyncSocket::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TAsyncSocket*>(GetWindowLongPtrW(hwnd, 0));
    if (self && msg >= WM_SOCKET_EVENT) {
        try {
            self->HandleSocketMessage(msg, wp, lp);
        } catch (...) {
            // Errors while handling a notification go no further.
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void TAsyncSocket::HandleSocketMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const WORD event = WSAGETSELECTEVENT(lp);
    const WORD error = WSAGETSELECTERROR(lp);
    if (msg == WM_SOCKET_EVENT) {
        // A notification still queued for a socket closed since is stale.
        if (static_cast<SOCKET>(wp) != socket_) return;
        lastEventOk_ = error == 0;
        switch (event) {
            case FD_READ:
                if (DataReadHandler) {
                    try {
                        Fire(DataReadHandler);
                    } catch (...) {
                    }
                }
                break;
            case FD_ACCEPT:
                connected_ = true;
                break;
            case FD_CONNECT:
                if (lastEventOk_) {
                    connected_ = true;
                    connectSeen_ = true;
                    Fire(OnConnect, this);
                }
                break;
            case FD_CLOSE:
                // While data is still pending the close is left to the reader.
                if (!DataAvailable()) RequestCloseSocket();
                break;
            default:
                break;
        }
    } else if (msg == WM_SOCKET_LOOKUP) {
        const bool lookup = lookupTask_ && reinterpret_cast<HANDLE>(wp) == lookupTask_;
        const bool accept = static_cast<SOCKET>(wp) == socket_ && event == FD_ACCEPT;
        if (!lookup && !accept) return;
        if (lookup) lookupTask_ = nullptr;
        lastEventOk_ = error == 0;
        eventDone_ = true;
        if (accept) connected_ = true;
    }
}

void TAsyncSocket::Pump(const std::shared_ptr<bool>& alive, bool block, DWORD timeoutMs) {
    if (block) winui::WaitForMessage(timeoutMs);
    winui::ProcessMessages();
    if (!*alive) throw EAbortError("Socket destroyed");
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
    }
}

std::string TAsyncSocket::ErrorText(uint16_t code) {
    if (code == 0) return {};
    ReportStatus(8, "Looking Up Error Message");
    return WinsockErrorText(code);
}

void TAsyncSocket::HandleSocketError(int ignored) {
    lastErrorNo_ = WSAGetLastError();
    if (lastErrorNo_ != ignored && lastErrorNo_ > 10000) {
        const int code = lastErrorNo_;
        const std::string text = ErrorText(static_cast<uint16_t>(code));
        Fire(OnError, this, static_cast<uint16_t>(code), text);
        throw ESocketError(text);
    }
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
    TimerOn();
    eventDone_ = false;
    std::shared_ptr<bool> alive = alive_;
    try {
        lookupTask_ = WSAAsyncGetHostByName(window_, WM_SOCKET_LOOKUP, workBuffer_.data(),
                                            hostEntryBuffer_.data(), kHostEntrySize);
        if (!lookupTask_) {
            lastEventOk_ = false;
            eventDone_ = true;
        }
        while (!eventDone_ && !timedOut_ && !canceled_) Pump(alive, true);
    } catch (...) {
        if (*alive) TimerOff();
        throw;
    }
    TimerOff();
    if (timedOut_) throw ESocketError("Host Lookup Timed Out");
    if (canceled_) throw ESocketError("Host Lookup Canceled");
    if (!lastEventOk_) throw ESocketError("Host Lookup Failed");
    const auto* entry = reinterpret_cast<const hostent*>(hostEntryBuffer_.data());
    if (entry->h_addr_list && entry->h_addr_list[0] && entry->h_length == 4) {
        std::memcpy(&address_.sin_addr.s_addr, entry->h_addr_list[0], 4);
    }
    Fire(OnHostResolved, this);
}

void TAsyncSocket::Connect() {
    ReportStatus(8, "Connecting");
    canceled_ = false;
    if (connected_) throw ESocketError("Already connected");
    for (int pass = 0;; ++pass) {
        try {
            ResolveHost();
        } catch (const ESocketError& e) {
            if (e.Message == "Host Lookup Timed Out" || e.Message == "Host Lookup Canceled" ||
                e.Message == "Socket destroyed") {
                throw;
            }
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
    if (connect(socket_, reinterpret_cast<const sockaddr*>(&address_), sizeof address_) ==
        SOCKET_ERROR) {
        HandleSocketError(WSAEWOULDBLOCK);
    }
    TimerOn();
    std::shared_ptr<bool> alive = alive_;
    try {
        // connectSeen_: a peer that accepts and closes at once may have its
        // close handled in the same pass as the connect; that is no reason to
        // wait on until the time-out (or for ever without one).
        while (!connected_ && !connectSeen_ && !timedOut_ && !canceled_ && lastEventOk_) {
            Pump(alive, true);
        }
    } catch (...) {
        if (*alive) TimerOff();
        throw;
    }
    TimerOff();
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
    if (socket_ == INVALID_SOCKET) return;
    const SOCKET s = socket_;
    socket_ = INVALID_SOCKET;
    if (window_) WSAAsyncSelect(s, window_, 0, 0);
    if (closesocket(s) == SOCKET_ERROR) {
        if (!finalClose_) socket_ = NewSocket(false);
        HandleSocketError(WSAEWOULDBLOCK);
        return;
    }
    if (!finalClose_) socket_ = NewSocket(false);
    if (!destroying_) Fire(OnDisconnect, this);
}

// ---- Sending ----

void TAsyncSocket::SendBuffer(const char* buffer, uint16_t length) {
    ReportStatus(4, "Sending Buffer");
    TimerOn();
    try {
        if (!canceled_) {
            size_t total = length;
            if (total == 0) total = strnlen(buffer, 65536);
            if (total > 65535) throw ERangeError("Range check error");
            size_t remaining = total;
            // No message processing here: a send can be ended neither by the
            // time-out nor by a cancel from another handler.
            do {
                const int sent = send(socket_, buffer + (total - remaining),
                                      static_cast<int>(remaining), 0);
                if (sent == 0) break;
                if (sent == SOCKET_ERROR) {
                    HandleSocketError(WSAEWOULDBLOCK);
                    continue;
                }
                remaining -= static_cast<size_t>(sent);
            } while (remaining != 0 && !canceled_);
        }
        if (canceled_) {
            canceled_ = false;
            throw EAbortError("Socket send aborted");
        }
    } catch (...) {
        TimerOff();
        throw;
    }
    TimerOff();
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
    return recv(socket_, &c, 1, MSG_PEEK) == 1;
}

TAsyncSocket::InputState TAsyncSocket::PollInput() {
    ReportStatus(8, "Data Available");
    char c;
    const int n = recv(socket_, &c, 1, MSG_PEEK);
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
    recv(socket_, scratch.data(), kWorkSize, 0);
}

std::string TAsyncSocket::Read(uint16_t count) {
    ReportStatus(8, "Read( " + std::to_string(count) + " )");
    if (count == 0) {
        const int n = recv(socket_, workBuffer_.data(), 65535, MSG_PEEK);
        if (n == SOCKET_ERROR) {
            HandleSocketError(WSAEWOULDBLOCK);
            return {};
        }
        if (n <= 0) return {};
        const int got = recv(socket_, workBuffer_.data(), n, 0);
        return got > 0 ? std::string(workBuffer_.data(), got) : std::string();
    }
    std::shared_ptr<bool> alive = alive_;
    do {
        const int n = recv(socket_, workBuffer_.data(), count, MSG_PEEK);
        if (n >= count) {
            const int got = recv(socket_, workBuffer_.data(), count, 0);
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
    TimerOn();
    std::shared_ptr<bool> alive = alive_;
    std::string line;
    try {
        const auto ended = [&] { return canceled_ || (timedOut_ && ReadEndsOnTimeOut()); };
        do {
            if (line.size() >= static_cast<size_t>(kWorkSize)) {
                throw ERangeError("Reply line too long");
            }
            const int room = kWorkSize - static_cast<int>(line.size());
            const int n = recv(socket_, workBuffer_.data(), room, MSG_PEEK);
            bool wait = false;
            if (n == 0) {
                TimerOff();
                return keepUnterminated ? line : std::string();
            }
            if (n == SOCKET_ERROR) {
                lastErrorNo_ = WSAGetLastError();
                if (lastErrorNo_ == WSAENOTCONN) {
                    TimerOff();
                    return keepUnterminated ? line : std::string();
                }
                HandleSocketError(WSAEWOULDBLOCK);
                wait = true;
            } else {
                const void* lf = std::memchr(workBuffer_.data(), '\n', static_cast<size_t>(n));
                if (lf) {
                    const int take = static_cast<int>(static_cast<const char*>(lf) -
                                                      workBuffer_.data()) + 1;
                    const int got = recv(socket_, workBuffer_.data(), take, 0);
                    if (got > 0) line.append(workBuffer_.data(), static_cast<size_t>(got));
                    TimerOff();
                    return line;
                }
                const int got = recv(socket_, workBuffer_.data(), n, 0);
                if (got > 0) line.append(workBuffer_.data(), static_cast<size_t>(got));
            }
            Pump(alive, wait);
        } while (!ended());
        canceled_ = false;
        throw EAbortError("Socket readln aborted");
    } catch (...) {
        if (*alive) TimerOff();
        throw;
    }
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

void TAsyncSocket::CaptureFile(const std::filesystem::path& fileName) {
    ReportStatus(8, "CaptureFile");
    bytesRecvd_ = 0;
    TimerOn();
    std::shared_ptr<bool> alive = alive_;
    try {
        FileHandle file(CreateFileW(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) {
            throw selvane::Exception("Cannot create file \"" + fileName.string() + "\". " +
                                     SystemMessage(GetLastError()));
        }
        while (!canceled_) {
            const int n = recv(socket_, workBuffer_.data(), kWorkSize, 0);
            bool wait = false;
            if (n > 0) {
                DWORD written = 0;
                if (!WriteFile(file.get(), workBuffer_.data(), static_cast<DWORD>(n), &written,
                               nullptr) ||
                    written != static_cast<DWORD>(n)) {
                    throw selvane::Exception("Cannot write file \"" + fileName.string() +
                                             "\". " + SystemMessage(GetLastError()));
                }
                bytesRecvd_ += n;
                Fire(OnPacketRecvd, this);
                TimerOn();  // keeps a running timer: the time-out counts from the start
            } else if (n == 0) {
                break;
            } else {
                lastErrorNo_ = WSAGetLastError();
                if (lastErrorNo_ == WSAENOTCONN) break;
                HandleSocketError(WSAEWOULDBLOCK);
                wait = true;
            }
            Pump(alive, wait);
        }
        if (canceled_) {
            canceled_ = false;
            throw EAbortError("Socket send aborted");
        }
    } catch (...) {
        if (*alive) TimerOff();
        throw;
    }
    TimerOff();
}

// ---- Listening ----

void TAsyncSocket::Listen(bool acceptWait) {
    ReportStatus(8, "Listening");
    if (Port < 0 || Port > 65535) throw ERangeError("Range check error");
    address_.sin_family = AF_INET;
    address_.sin_addr.s_addr = INADDR_ANY;
    address_.sin_port = htons(static_cast<u_short>(Port));
    eventDone_ = false;
    bind(socket_, reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
    WSAAsyncSelect(socket_, window_, acceptWait ? WM_SOCKET_LOOKUP : WM_SOCKET_EVENT, FD_ACCEPT);
    listen(socket_, 1);
}

SOCKET TAsyncSocket::Accept() {
    ReportStatus(4, "Accepting");
    std::shared_ptr<bool> alive = alive_;
    // A server that never opens the data connection would hold this wait for
    // good; the time-out cancels it ("Accepting Canceled").
    TimerOn();
    try {
        while (!eventDone_ && !canceled_) Pump(alive, true);
    } catch (...) {
        if (*alive) TimerOff();
        throw;
    }
    TimerOff();
    if (canceled_) throw ESocketError("Accepting Canceled");
    if (!lastEventOk_) throw ESocketError("Error creating Data Connection");
    sockaddr_in peer{};
    int size = sizeof peer;
    const SOCKET s = accept(socket_, reinterpret_cast<sockaddr*>(&peer), &size);
    if (s == INVALID_SOCKET) {
        HandleSocketError(WSAEWOULDBLOCK);
        throw ESocketError("Error creating Data Connection");
    }
    WSAAsyncSelect(s, window_, WM_SOCKET_EVENT, kSocketEventMask);
    address_ = peer;
    return s;
}

void TAsyncSocket::AdoptAcceptedSocket(SOCKET accepted) {
    if (socket_ != INVALID_SOCKET) CloseSocketHandle(socket_);
    socket_ = accepted;
    connected_ = true;
}

std::string TAsyncSocket::PortAddressText() {
    sockaddr_in local{};
    int size = sizeof local;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size);
    uint8_t bytes[4];
    std::memcpy(bytes, &local.sin_addr.s_addr, 4);
    return ftp::PortAddressText(bytes);
}

std::string TAsyncSocket::PortNumberText() {
    sockaddr_in local{};
    int size = sizeof local;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size);
    return ftp::PortNumberText(ntohs(local.sin_port));
}

}  // namespace ftp
