#include "ftp/ftp_client_win.h"

#include <exception>
#include <optional>

#include "winui/message_pump.h"
#include "winui/text.h"

namespace ftp {
namespace {

// The text of the failure raised when the server hangs up instead of replying.
constexpr char kClosedByServer[] = "Connection closed by the server";

// Raised inside a transfer when its active data connection cannot be made and
// a passive try may follow; never leaves the client.
struct ActiveModeFailed {
    bool commandAccepted;  // the server had taken RETR or NLST: a late reply may follow
};

bool IsTransientReply(int number) { return number >= 400 && number < 500; }

// A refusal as its error: a reply line, or the hang-up that came instead.
[[noreturn]] void ThrowRefused(const std::string& refused) {
    if (refused == kClosedByServer) throw EClosedByServer(refused);
    throw FTPException(refused);
}

}  // namespace

TFtpClient::TFtpClient() {
    Port = 21;
    // Read notifications of the control connection need no work: replies are
    // taken by the waits that expect them.
    DataReadHandler = [] {};
}

TFtpClient::~TFtpClient() {
    // No QUIT, no events and no status texts while going away; a running
    // transfer is cancelled and its data connection freed here.
    BeginDestruction();
    if (dataSocket_) dataSocket_->Cancel();
    dataSocket_.reset();
    spareDataSocket_.reset();
}

int32_t TFtpClient::BytesRecvd() const { return dataSocket_ ? dataSocket_->BytesRecvd() : 0; }

void TFtpClient::Abort() {
    // The control connection's time-out cancels the data transfer only; the
    // control connection's own reads go on waiting (except during the login,
    // see ReadEndsOnTimeOut).
    if (dataSocket_) dataSocket_->Cancel();
}

std::string TFtpClient::ControlReadLn() {
    std::string line = ReadLn();
    if (HasNul(line)) throw FTPException("Malformed reply from the server");
    return line;
}

std::string TFtpClient::ReadReplyRest(const std::string& line) {
    std::string last = line;
    while (ContinuesReply(last)) {
        last = ControlReadLn();
        ReportStatus(1, last);
    }
    return last;
}

std::string TFtpClient::Transaction(const std::string& command) {
    // A name with a line break would smuggle a second command onto the
    // connection, and one with NUL would cut the line short.
    if (!IsSafeCommand(command)) throw FTPException("Refused command with a line break or NUL");
    const std::string line = TAsyncSocket::Transaction(command);
    if (HasNul(line)) throw FTPException("Malformed reply from the server");
    ReadReplyRest(line);
    return line;
}

void TFtpClient::CheckLoginReply() {
    if (LastReply().empty()) {
        // The server hung up: a login that got no answer has not succeeded.
        Fire(OnConnectionFailed, this);
        throw EClosedByServer(kClosedByServer);
    }
    if (LoginReplyFailed(ReplyNumber())) {
        Fire(OnConnectionFailed, this);
        throw FTPException(LastReply());
    }
}

void TFtpClient::Connect() {
    SetCanceled(false);
    if (Connected()) return;
    ClearInput();
    portAddress_.clear();
    SetState(FtpState::Connecting);
    try {
        TAsyncSocket::Connect();
    } catch (...) {
        SetState(FtpState::Closed);
        throw;
    }
    binaryType_ = false;
    const AliveToken alive = Alive();
    // Until the login ends, the time-out also ends the control reads, so a
    // server that accepts and then says nothing does not hold the caller.
    loginRunning_ = true;
    try {
        SetState(FtpState::Greeting);
        const std::string greeting = ReadReplyRest(" ");
        if (greeting.empty()) {
            Fire(OnConnectionFailed, this);
            throw EClosedByServer(kClosedByServer);
        }
        // A server that greets with a refusal (421 and the like) is not logged in to.
        if (LoginReplyFailed(ReplyNumberOf(greeting))) {
            Fire(OnConnectionFailed, this);
            throw FTPException(greeting);
        }
        if (FWAuthenticate) {
            SetState(FtpState::FirewallLogin);
            Transaction("USER " + FWUserID);
            CheckLoginReply();
            if (ReplyNumber() == 331) {
                ReportStatus(1, "PASS ");
                Transaction("PASS " + FWPassword);
                CheckLoginReply();
            }
        }
        if ((UserID.empty() || Password.empty()) && OnAuthenticationNeeded) {
            bool handled = false;
            Fire(OnAuthenticationNeeded, handled);
        }
        if (!Proxy.empty()) {
            SetState(FtpState::Proxy);
            switch (FirewallType) {
                case FTUser:
                    Transaction("USER " + UserID + "@" + Host);
                    break;
                case FtOpen:
                    Transaction("OPEN " + Host);
                    break;
                case FtSite:
                    Transaction("SITE " + Host);
                    break;
            }
            // The proxy's answer is not judged, but silence is.
            if (LastReply().empty()) CheckLoginReply();
        }
        if (Proxy.empty() || FirewallType != FTUser) {
            SetState(FtpState::User);
            ReportStatus(1, "USER " + UserID);
            Transaction("USER " + UserID);
            CheckLoginReply();
        }
        if (ReplyNumber() == 331) {
            SetState(FtpState::Password);
            ReportStatus(1, "PASS ");  // the password itself is never reported
            Transaction("PASS " + Password);
            CheckLoginReply();
        }
        loginRunning_ = false;
        SetState(FtpState::LoggedIn);
        Fire(OnConnect, this);
    } catch (...) {
        if (!*alive) throw;
        std::exception_ptr error = std::current_exception();
        bool readTimedOut = false;
        try {
            throw;
        } catch (const EAbortError&) {
            readTimedOut = TimedOut() && loginRunning_;
        } catch (...) {
        }
        if (readTimedOut) {
            // Fails like a connect that timed out. No QUIT: the server is not answering.
            loginRunning_ = false;
            error = std::make_exception_ptr(ESocketError("Connection Timed out"));
            Fire(OnConnectionFailed, this);
            TAsyncSocket::Disconnect();
        } else {
            try {
                Disconnect();  // QUIT, bounded by the time-out while the login runs
            } catch (...) {
                if (*alive) loginRunning_ = false;
                throw;
            }
            loginRunning_ = false;
        }
        SetState(FtpState::Closed);
        ReportStatus(1, "Disconnected");
        std::rethrow_exception(error);
    }
}

void TFtpClient::Disconnect() {
    SetCanceled(false);
    if (!Connected()) return;
    const AliveToken alive = Alive();
    SetState(FtpState::Quitting);
    try {
        ReportStatus(1, "QUIT");
        if (DataAvailable()) Read(0);
        Transaction("QUIT");
        if (CommandReplyFailed(ReplyNumber())) throw FTPException(LastReply());
    } catch (...) {
        if (!*alive) throw;
        TAsyncSocket::Disconnect();
        SetState(FtpState::Closed);
        throw;
    }
    TAsyncSocket::Disconnect();
    SetState(FtpState::Closed);
}

void TFtpClient::ActiveSetup(std::string& portCommand) {
    dataSocket_->Port = 0;
    dataSocket_->Listen(true);
    // The control connection's own address stays the same while it lasts.
    if (portAddress_.empty()) portAddress_ = PortAddressText();
    portCommand = "PORT " + portAddress_ + dataSocket_->PortNumberText();
}

std::optional<std::string> TFtpClient::OpenDataConnection(bool lateReplyPossible, bool reportPort) {
    if (Passive) {
        std::string reply = Transaction("PASV");
        // The failed active command's own ending (425, 426, 450, 451) is no
        // answer to PASV; it comes once at most.
        if (lateReplyPossible && !reply.empty() && IsTransientReply(ReplyNumberOf(reply))) {
            reply = ControlReadLn();
            ReportStatus(1, reply);
            ReadReplyRest(reply);
        }
        if (reply.empty()) return std::string(kClosedByServer);
        if (PasvReplyFailed(ReplyNumberOf(reply))) return reply;
        dataSocket_->Port = PasvPort(reply);
        dataSocket_->Host = Host;  // the reply's own address is not trusted
        dataSocket_->Connect();
        return std::nullopt;
    }
    std::string portCommand;
    ActiveSetup(portCommand);
    if (reportPort) ReportStatus(1, portCommand);
    const std::string reply = Transaction(portCommand);
    if (reply.empty()) return std::string(kClosedByServer);
    if (CommandReplyFailed(ReplyNumber())) {
        if (MayFallBackToPassive()) throw ActiveModeFailed{false};
        return reply;
    }
    return std::nullopt;
}

void TFtpClient::RefusedForNoDataConnection() const {
    // Servers that connect back only after the command answer it with 425
    // when they could not.
    if (!Passive && ReplyNumber() == 425 && MayFallBackToPassive()) throw ActiveModeFailed{false};
}

void TFtpClient::TakeDataConnection() {
    if (Passive) return;
    SOCKET accepted = INVALID_SOCKET;
    try {
        accepted = dataSocket_->Accept();
    } catch (const ESocketError& e) {
        if (e.Kind != SocketErrorKind::Destroyed && MayFallBackToPassive())
            throw ActiveModeFailed{true};
        throw;
    }
    dataSocket_->AdoptAcceptedSocket(accepted);
}

template <typename Operation>
auto TFtpClient::WithPassiveFallback(const Operation& operation) {
    try {
        return operation(false);
    } catch (const ActiveModeFailed& failed) {
        ReportStatus(1, "No active data connection: passive mode");
        Passive = true;
        dataSocket_->Renew();
        return operation(failed.commandAccepted);
    }
}

std::filesystem::path TFtpClient::LocalNameFor(const std::string& remoteFile) const {
    // Only a plain name may come from the server: a remote name with folders
    // ("..\x", "C:\x") would otherwise choose where the file lands.
    const std::optional<std::wstring> name = LocalNameFromRemote(winui::Widen(remoteFile));
    if (!name) throw selvane::Exception("Refused local file name for " + remoteFile);
    return std::filesystem::path(*name);
}

void TFtpClient::ReceiveFile(const std::filesystem::path& localFile, int32_t announced,
                             int64_t maxBytes) {
    int64_t limit = announced > 0 ? announced : -1;
    std::string overflow = "More data than the " + std::to_string(announced) + " bytes announced";
    if (maxBytes >= 0 && (limit < 0 || maxBytes < limit)) {
        limit = maxBytes;
        overflow = "Download larger than " + std::to_string(maxBytes) + " bytes";
    }
    dataSocket_->CaptureFile(localFile, limit, overflow);
}

void TFtpClient::Download(const std::string& remoteFile, const std::filesystem::path& localFile) {
    Download(remoteFile, localFile, MaxBytes);
}

void TFtpClient::Download(const std::string& remoteFile, const std::filesystem::path& localFile,
                          int64_t maxBytes) {
    Download(remoteFile, localFile, maxBytes, 0);
}

void TFtpClient::Download(const std::string& remoteFile, const std::filesystem::path& localFile,
                          int64_t maxBytes, int64_t restartAt) {
    RefuseNestedTransfer();
    SetCanceled(false);
    lastDownloadSucceeded_ = false;
    restartAccepted_ = false;
    const AliveToken alive = Alive();
    try {
        CheckConnection();
        const std::filesystem::path target =
            localFile.empty() ? LocalNameFor(remoteFile) : localFile;
        if (DataAvailable()) Read(0);
        OpenDataSocket(OnPacketRecvd);

        // The transfer itself; returns the reply line when a reply refused it.
        const auto transfer = [&](bool lateReplyPossible) -> std::optional<std::string> {
            SetState(FtpState::DataSetup);
            if (!binaryType_) {
                // The default transfer type is text, which a server may rewrite
                // line ends in: the game's files are binary.
                const std::string reply = Transaction("TYPE I");
                if (reply.empty()) return std::string(kClosedByServer);
                if (CommandReplyFailed(ReplyNumber())) return reply;
                binaryType_ = true;
            }
            const std::string retr = "RETR " + remoteFile;
            // Checked before anything of the transfer is sent: a REST already
            // accepted would stay set for the next download.
            if (!IsSafeCommand(retr))
                throw FTPException("Refused command with a line break or NUL");
            if (auto refused = OpenDataConnection(lateReplyPossible, false)) return refused;
            restartAccepted_ = false;
            if (restartAt > 0) {
                // A server that does not restart sends the whole file, which
                // the caller then takes instead of the rest.
                const std::string reply = Transaction("REST " + std::to_string(restartAt));
                if (reply.empty()) return std::string(kClosedByServer);
                restartAccepted_ = ReplyNumberOf(reply) == 350;
            }
            ReportStatus(1, retr);
            SetBytesTotal(0);
            std::string last = TAsyncSocket::Transaction(retr);
            if (HasNul(last)) throw FTPException("Malformed reply from the server");
            RefusedForNoDataConnection();
            if (CommandReplyFailed(ReplyNumber())) return last;
            if (last.empty()) return std::string(kClosedByServer);
            SetBytesTotal(ExtractByteCount(last));
            while (ContinuesReply(last)) {
                last = ControlReadLn();
                ReportStatus(1, last);
                if (BytesTotal() == 0) SetBytesTotal(ExtractByteCount(last));
            }
            TakeDataConnection();
            SetBytesTotal(ExtractByteCount(last));
            const int32_t announced = restartAccepted_ ? 0 : AnnouncedByteCount(last);
            SetState(FtpState::Transfer);
            Fire(OnTransactionStart, this);
            if (Canceled() || TimedOut()) {
                // Nothing was received: this is no success, whatever follows.
                throw EAbortError("Socket send aborted");
            }
            ReceiveFile(target, announced, maxBytes);
            Fire(OnTransactionStop, this);
            dataSocket_->RequestCloseSocket();
            SetBytesTotal(dataSocket_->BytesRecvd());
            ReportStatus(1, "Received " + std::to_string(BytesTotal()) + " Bytes");
            SetState(FtpState::FinalReply);
            std::optional<std::string> refused;
            if (!Canceled() && !TimedOut()) {
                last = ControlReadLn();
                ReportStatus(1, last);
                if (!Canceled() && !TimedOut()) last = ReadReplyRest(last);
                // A transfer the server reports as failed, or whose report never
                // came, has not delivered the file.
                if (last.empty()) {
                    refused = kClosedByServer;
                } else if (CommandReplyFailed(ReplyNumberOf(last))) {
                    refused = last;
                }
            } else {
                ReportStatus(1, last);
            }
            Fire(OnTransactionStop, this);
            // A data connection that ended early looks like a complete one
            // to the server: only the count it announced tells them apart.
            if (!refused && announced > 0 && BytesTotal() < announced) {
                throw ESocketError("Transfer ended after " + std::to_string(BytesTotal()) + " of " +
                                       std::to_string(announced) + " bytes",
                                   SocketErrorKind::ShortTransfer);
            }
            return refused;
        };

        // Back to the command connection alone, aborting a canceled transfer.
        const auto endTransfer = [&](bool completed) {
            CloseDataSocket(completed);
            SetState(FtpState::LoggedIn);
            if (Canceled()) {
                SetCanceled(false);
                SetState(FtpState::Aborting);
                Transaction("ABOR");
                SetState(FtpState::LoggedIn);
            }
        };

        bool succeeded = false;
        try {
            const std::optional<std::string> refused = WithPassiveFallback(transfer);
            if (refused) {
                if (!OnFailure) ThrowRefused(*refused);
                bool handled = false;
                Fire(OnFailure, handled, cmdDownload);
                if (!handled) ThrowRefused(*refused);
            } else {
                succeeded = true;
            }
        } catch (...) {
            if (!*alive) throw;
            endTransfer(false);
            throw;
        }
        endTransfer(true);
        lastDownloadSucceeded_ = succeeded;
        if (succeeded) Fire(OnSuccess, cmdDownload);
    } catch (...) {
        if (!*alive) throw;
        if (OnFailure) {
            bool handled = false;
            Fire(OnFailure, handled, cmdDownload);
            if (handled) return;
        }
        throw;
    }
}

void TFtpClient::OpenDataSocket(const TNotifyEvent& onPacketRecvd) {
    if (spareDataSocket_) {
        dataSocket_ = std::move(spareDataSocket_);
        dataSocket_->Renew();
    } else {
        dataSocket_ = std::make_unique<TAsyncSocket>();
    }
    dataSocket_->TimeOut = TimeOut;
    dataSocket_->IdleTimeOut = IdleTimeOut;
    dataSocket_->OnPacketRecvd = onPacketRecvd;
}

void TFtpClient::CloseDataSocket(bool completed) {
    // The component of a transfer that ended normally serves the next one:
    // a new one per file would cost three windows made and destroyed.
    if (completed) {
        spareDataSocket_ = std::move(dataSocket_);
    } else {
        dataSocket_.reset();
    }
}

void TFtpClient::RefuseNestedTransfer() {
    // A transfer started from a handler of a running one would free the data
    // connection that the running one is still reading.
    if (dataSocket_) throw selvane::Exception("A transfer is already running");
}

void TFtpClient::DrainAfterAbort() {
    SetCanceled(false);
    const AliveToken alive = Alive();
    const DWORD start = GetTickCount();
    constexpr DWORD kDrainMs = 950;  // 1.1e-5 of a day
    std::string text;
    for (;;) {
        text = Read(0);
        const DWORD elapsed = GetTickCount() - start;
        if (!text.empty() || elapsed > kDrainMs) break;
        Pump(alive, true, kDrainMs + 1 - elapsed);
    }
    ReportStatus(1, text);
}

void TFtpClient::NList() {
    RefuseNestedTransfer();
    SetCanceled(false);
    CheckConnection();
    const AliveToken alive = Alive();
    OpenDataSocket({});
    bool succeeded = false;
    try {
        if (DataAvailable()) Read(0);
        const auto listCommand = [&](bool lateReplyPossible) {
            SetState(FtpState::DataSetup);
            if (auto refused = OpenDataConnection(lateReplyPossible, true)) ThrowRefused(*refused);
            ReportStatus(1, "NLST");
            std::string reply = Transaction("NLST");
            RefusedForNoDataConnection();
            if (CommandReplyFailed(ReplyNumber())) throw FTPException(LastReply());
            if (reply.empty()) throw EClosedByServer(kClosedByServer);
            SetBytesTotal(ExtractByteCount(reply));
            TakeDataConnection();
            return reply;
        };
        std::string last = WithPassiveFallback(listCommand);
        SetState(FtpState::Transfer);
        Fire(OnTransactionStart, this);
        // A listing that was never read is no success: an empty list would
        // pass for a server without the expected files.
        if (Canceled() || TimedOut()) throw EAbortError("Socket readln aborted");
        {
            // The listing ends when the data connection has closed and nothing
            // is left to read; a final reply that overtakes the data on the
            // control connection does not cut it short. A stalled data
            // connection ends after the time-out or the idle time-out.
            TAsyncSocket& data = *dataSocket_;
            TimedWait wait(data);
            data.IdleTimerRestart();
            for (;;) {
                const InputState state = data.PollInput();
                if (state == InputState::Data) {
                    const std::string line = data.ReadLn(true);
                    data.IdleTimerRestart();
                    if (line.empty()) continue;
                    last = TrimListLine(line);
                    Fire(OnListItem, last);
                } else if (state == InputState::Closed || !data.Connected()) {
                    break;
                } else {
                    data.TimerOn();  // a line read above turned it off
                    Pump(alive, true);
                    if (data.Canceled()) throw EAbortError("Socket readln aborted");
                }
            }
            data.IdleTimerOff();
            data.CheckClosedCleanly();
        }
        Fire(OnTransactionStop, this);
        dataSocket_->RequestCloseSocket();
        SetBytesTotal(dataSocket_->BytesRecvd());
        ReportStatus(1, "Received " + std::to_string(BytesTotal()) + " Bytes");
        SetState(FtpState::FinalReply);
        if (!Canceled() && !TimedOut()) {
            last = ControlReadLn();
            ReportStatus(1, last);
            if (!Canceled() && !TimedOut()) last = ReadReplyRest(last);
            if (last.empty()) throw EClosedByServer(kClosedByServer);
            if (CommandReplyFailed(ReplyNumberOf(last))) throw FTPException(last);
        } else {
            ReportStatus(1, last);
        }
        succeeded = true;
    } catch (...) {
        if (!*alive) throw;
        CloseDataSocket(false);
        SetState(FtpState::LoggedIn);
        if (Canceled()) DrainAfterAbort();
        throw;
    }
    CloseDataSocket(true);
    SetState(FtpState::LoggedIn);
    if (succeeded) Fire(OnSuccess, cmdNList);
    if (Canceled()) DrainAfterAbort();
}

}  // namespace ftp
