#include "ftp/ftp_client_win.h"

#include <exception>
#include <optional>

#include "winui/message_pump.h"

namespace ftp {
namespace {

// The text of the failure raised when the server hangs up instead of replying.
constexpr char kClosedByServer[] = "Connection closed by the server";

// A remote name (bytes in the system code page) as a local file name.
std::filesystem::path PathFromAnsi(const std::string& name) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), n);
    }
    return std::filesystem::path(wide);
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
    *alive_ = false;
    destroying_ = true;
    canceled_ = true;
    if (dataSocket_) dataSocket_->Cancel();
    dataSocket_.reset();
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
    if (lastReply_.empty()) {
        // The server hung up: a login that got no answer has not succeeded.
        Fire(OnConnectionFailed, this);
        throw FTPException(kClosedByServer);
    }
    if (LoginReplyFailed(replyNumber_)) {
        Fire(OnConnectionFailed, this);
        throw FTPException(lastReply_);
    }
}

void TFtpClient::Connect() {
    canceled_ = false;
    if (connected_) return;
    ClearInput();
    SetState(FtpState::Connecting);
    try {
        TAsyncSocket::Connect();
    } catch (...) {
        SetState(FtpState::Closed);
        throw;
    }
    binaryType_ = false;
    std::shared_ptr<bool> alive = alive_;
    // Until the login ends, the time-out also ends the control reads, so a
    // server that accepts and then says nothing does not hold the caller.
    loginRunning_ = true;
    try {
        SetState(FtpState::Greeting);
        const std::string greeting = ReadReplyRest(" ");
        if (greeting.empty()) {
            Fire(OnConnectionFailed, this);
            throw FTPException(kClosedByServer);
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
            if (replyNumber_ == 331) {
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
            if (lastReply_.empty()) CheckLoginReply();
        }
        if (Proxy.empty() || FirewallType != FTUser) {
            SetState(FtpState::User);
            ReportStatus(1, "USER " + UserID);
            Transaction("USER " + UserID);
            CheckLoginReply();
        }
        if (replyNumber_ == 331) {
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
            readTimedOut = timedOut_ && loginRunning_;
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
    canceled_ = false;
    if (!connected_) return;
    std::shared_ptr<bool> alive = alive_;
    SetState(FtpState::Quitting);
    try {
        ReportStatus(1, "QUIT");
        if (DataAvailable()) Read(0);
        Transaction("QUIT");
        if (CommandReplyFailed(replyNumber_)) throw FTPException(lastReply_);
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
    portCommand = "PORT " + PortAddressText() + dataSocket_->PortNumberText();
}

void TFtpClient::Download(const std::string& remoteFile, const std::filesystem::path& localFile) {
    RefuseNestedTransfer();
    canceled_ = false;
    std::shared_ptr<bool> alive = alive_;
    try {
        CheckConnection();
        if (DataAvailable()) Read(0);
        dataSocket_ = std::make_unique<TAsyncSocket>();
        dataSocket_->TimeOut = TimeOut;
        if (OnPacketRecvd) dataSocket_->OnPacketRecvd = OnPacketRecvd;

        // The transfer itself; returns the reply line when a reply refused it.
        const auto transfer = [&]() -> std::optional<std::string> {
            SetState(FtpState::DataSetup);
            if (!binaryType_) {
                // The default transfer type is text, which a server may rewrite
                // line ends in: the game's files are binary.
                const std::string reply = Transaction("TYPE I");
                if (reply.empty()) return std::string(kClosedByServer);
                if (CommandReplyFailed(replyNumber_)) return reply;
                binaryType_ = true;
            }
            if (Passive) {
                const std::string reply = Transaction("PASV");
                if (PasvReplyFailed(replyNumber_)) return reply;
                dataSocket_->Port = PasvPort(reply);
                dataSocket_->Host = Host;  // the reply's own address is not trusted
                dataSocket_->Connect();
            } else {
                std::string portCommand;
                ActiveSetup(portCommand);
                const std::string reply = Transaction(portCommand);
                if (CommandReplyFailed(replyNumber_)) return reply;
            }
            const std::string retr = "RETR " + remoteFile;
            if (!IsSafeCommand(retr))
                throw FTPException("Refused command with a line break or NUL");
            ReportStatus(1, retr);
            bytesTotal_ = 0;
            std::string last = TAsyncSocket::Transaction(retr);
            if (HasNul(last)) throw FTPException("Malformed reply from the server");
            if (CommandReplyFailed(replyNumber_)) return last;
            if (last.empty()) return std::string(kClosedByServer);
            bytesTotal_ = ExtractByteCount(last);
            while (ContinuesReply(last)) {
                last = ControlReadLn();
                ReportStatus(1, last);
                if (bytesTotal_ == 0) bytesTotal_ = ExtractByteCount(last);
            }
            if (!Passive) dataSocket_->AdoptAcceptedSocket(dataSocket_->Accept());
            bytesTotal_ = ExtractByteCount(last);
            SetState(FtpState::Transfer);
            Fire(OnTransactionStart, this);
            if (canceled_ || timedOut_) {
                // Nothing was received: this is no success, whatever follows.
                throw EAbortError("Socket send aborted");
            }
            dataSocket_->CaptureFile(localFile.empty() ? PathFromAnsi(remoteFile) : localFile);
            Fire(OnTransactionStop, this);
            dataSocket_->RequestCloseSocket();
            bytesTotal_ = dataSocket_->BytesRecvd();
            ReportStatus(1, "Received " + std::to_string(bytesTotal_) + " Bytes");
            SetState(FtpState::FinalReply);
            std::optional<std::string> refused;
            if (!canceled_ && !timedOut_) {
                last = ControlReadLn();
                ReportStatus(1, last);
                if (!canceled_ && !timedOut_) last = ReadReplyRest(last);
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
            return refused;
        };

        // Back to the command connection alone, aborting a canceled transfer.
        const auto endTransfer = [&] {
            dataSocket_.reset();
            SetState(FtpState::LoggedIn);
            if (canceled_) {
                canceled_ = false;
                SetState(FtpState::Aborting);
                Transaction("ABOR");
                SetState(FtpState::LoggedIn);
            }
        };

        bool succeeded = false;
        try {
            const std::optional<std::string> refused = transfer();
            if (refused) {
                if (!OnFailure) throw FTPException(*refused);
                bool handled = false;
                Fire(OnFailure, handled, cmdDownload);
                if (!handled) throw FTPException(*refused);
            } else {
                succeeded = true;
            }
        } catch (...) {
            if (!*alive) throw;
            endTransfer();
            throw;
        }
        endTransfer();
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

void TFtpClient::RefuseNestedTransfer() {
    // A transfer started from a handler of a running one would free the data
    // connection that the running one is still reading.
    if (dataSocket_) throw selvane::Exception("A transfer is already running");
}

void TFtpClient::DrainAfterAbort() {
    canceled_ = false;
    std::shared_ptr<bool> alive = alive_;
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
    canceled_ = false;
    CheckConnection();
    std::shared_ptr<bool> alive = alive_;
    dataSocket_ = std::make_unique<TAsyncSocket>();
    dataSocket_->TimeOut = TimeOut;
    bool succeeded = false;
    try {
        if (DataAvailable()) Read(0);
        SetState(FtpState::DataSetup);
        std::string portCommand;
        ActiveSetup(portCommand);
        ReportStatus(1, portCommand);
        Transaction(portCommand);
        if (CommandReplyFailed(replyNumber_)) throw FTPException(lastReply_);
        ReportStatus(1, "NLST");
        std::string last = Transaction("NLST");
        if (CommandReplyFailed(replyNumber_)) throw FTPException(lastReply_);
        if (last.empty()) throw FTPException(kClosedByServer);
        bytesTotal_ = ExtractByteCount(last);
        dataSocket_->AdoptAcceptedSocket(dataSocket_->Accept());
        SetState(FtpState::Transfer);
        Fire(OnTransactionStart, this);
        // A listing that was never read is no success: an empty list would
        // pass for a server without the expected files.
        if (canceled_ || timedOut_) throw EAbortError("Socket readln aborted");
        {
            // The listing ends when the data connection has closed and nothing
            // is left to read; a final reply that overtakes the data on the
            // control connection does not cut it short. A stalled data
            // connection ends after the time-out.
            TAsyncSocket& data = *dataSocket_;
            for (;;) {
                const InputState state = data.PollInput();
                if (state == InputState::Data) {
                    const std::string line = data.ReadLn(true);
                    if (line.empty()) continue;
                    last = TrimListLine(line);
                    Fire(OnListItem, last);
                } else if (state == InputState::Closed || !data.Connected()) {
                    break;
                } else {
                    data.TimerOn();
                    Pump(alive, true);
                    if (data.Canceled()) {
                        data.TimerOff();
                        throw EAbortError("Socket readln aborted");
                    }
                }
            }
            data.TimerOff();
        }
        Fire(OnTransactionStop, this);
        dataSocket_->RequestCloseSocket();
        bytesTotal_ = dataSocket_->BytesRecvd();
        ReportStatus(1, "Received " + std::to_string(bytesTotal_) + " Bytes");
        SetState(FtpState::FinalReply);
        if (!canceled_ && !timedOut_) {
            last = ControlReadLn();
            ReportStatus(1, last);
            if (!canceled_ && !timedOut_) last = ReadReplyRest(last);
            if (last.empty()) throw FTPException(kClosedByServer);
            if (CommandReplyFailed(ReplyNumberOf(last))) throw FTPException(last);
        } else {
            ReportStatus(1, last);
        }
        succeeded = true;
    } catch (...) {
        if (!*alive) throw;
        dataSocket_.reset();
        SetState(FtpState::LoggedIn);
        if (canceled_) DrainAfterAbort();
        throw;
    }
    dataSocket_.reset();
    SetState(FtpState::LoggedIn);
    if (succeeded) Fire(OnSuccess, cmdNList);
    if (canceled_) DrainAfterAbort();
}

}  // namespace ftp
