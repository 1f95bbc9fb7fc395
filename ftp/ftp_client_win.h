#pragma once
// TFtpClient: the FTP client (client side of the file transfer protocol) on
// top of TAsyncSocket, whose socket is the control connection. It logs in
// (directly, or through a proxy or firewall), lists names with NLST and
// downloads files with RETR over a data connection that it opens and closes
// for each transfer.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ftp/async_socket_win.h"
#include "ftp/ftp_text.h"

namespace ftp {

// Names the operation an event concerns; this client reports two values.
using TCmdType = uint8_t;
constexpr TCmdType cmdDownload = 9;
constexpr TCmdType cmdNList = 13;

enum TFirewallType : uint8_t { FTUser = 0, FtOpen = 1, FtSite = 2 };

using TSuccessEvent = std::function<void(TCmdType transType)>;
using TFailureEvent = std::function<void(bool& handled, TCmdType transType)>;
using TListItemEvent = std::function<void(const std::string& listing)>;
using TUnsupportedEvent = std::function<void(TCmdType transType)>;

class TFtpClient : public TAsyncSocket {
public:
    TFtpClient();
    ~TFtpClient() override;

    std::string UserID;
    std::string Password;
    bool Passive = false;                 // Download and NList use passive data connections
    TFirewallType FirewallType = FTUser;  // how the login goes through a proxy
    std::string FWUserID;
    std::string FWPassword;
    bool FWAuthenticate = false;  // log in to the firewall first

    // The download cap: a download never grows past this many bytes and
    // fails once more arrive (< 0: no cap). IdleTimeOut (inherited) bounds
    // the accept wait and every stretch of a transfer without data.
    int64_t MaxBytes = -1;
    // When the server cannot reach an active data connection (PORT refused,
    // or the accept wait ends without it), the operation is tried once more
    // on this connection in passive mode, and Passive stays on. Behind a home
    // router the server's connection back is usually blocked. While Passive
    // is on, NList goes passive too.
    bool PassiveFallback = false;

    TNotifyEvent OnConnect;  // the login completed

    TNotifyEvent OnTransactionStart;  // data is about to flow
    TNotifyEvent OnTransactionStop;   // data has stopped flowing
    TSuccessEvent OnSuccess;
    TFailureEvent OnFailure;
    THandlerEvent OnAuthenticationNeeded;
    TListItemEvent OnListItem;
    TUnsupportedEvent OnUnSupportedFunction;  // never fired

    void Connect() override;
    void Disconnect() override;
    std::string Transaction(const std::string& command) override;
    void Abort() override;
    // Reads the continuation lines of a reply whose first line is given;
    // returns the last line read (the given one when none was read).
    std::string ReadReplyRest(const std::string& line);

    // Fetches remoteFile into localFile (when empty: the remote name's last
    // component, in the current directory). Fails when the data falls short
    // of a count the server announced, or passes it or the cap maxBytes
    // (MaxBytes for the first form); nothing beyond either is written.
    void Download(const std::string& remoteFile, const std::filesystem::path& localFile);
    void Download(const std::string& remoteFile, const std::filesystem::path& localFile,
                  int64_t maxBytes);
    // The same from byte restartAt of the remote file on (REST): localFile
    // gets only the rest when the server agrees (RestartAccepted), else the
    // whole file. maxBytes caps what this transfer writes; a count the server
    // announces is not held to after a restart, since servers differ in
    // whether it is the rest or the whole.
    void Download(const std::string& remoteFile, const std::filesystem::path& localFile,
                  int64_t maxBytes, int64_t restartAt);
    // Whether the server agreed to start the last Download at restartAt.
    bool RestartAccepted() const { return restartAccepted_; }
    // Whether the last Download delivered its file (false when it failed,
    // also when OnFailure took the failure over).
    bool LastDownloadSucceeded() const { return lastDownloadSucceeded_; }
    void NList();
    int32_t BytesRecvd() const override;

    TAsyncSocket* DataSocket() const { return dataSocket_.get(); }
    FtpState State() const { return state_; }

protected:
    bool ReadEndsOnTimeOut() const override { return loginRunning_; }

private:
    void CheckLoginReply();
    void ActiveSetup(std::string& portCommand);
    // Opens the data connection of one transfer up to its command: PORT, or
    // PASV and the connect. Returns the reply that refused it. After an active
    // attempt whose command the server had accepted, a late reply to that
    // command (425 and the like) may come before the PASV reply. NList reports
    // its PORT command, Download does not.
    std::optional<std::string> OpenDataConnection(bool lateReplyPossible, bool reportPort);
    // After the command's reply: a 425 in active mode leads to the passive try.
    void RefusedForNoDataConnection() const;
    // After the command's reply: the server's connection is taken (active).
    void TakeDataConnection();
    bool MayFallBackToPassive() const { return PassiveFallback && !Passive && !Canceled(); }
    // Runs one data operation, operation(lateReplyPossible). When its active
    // data connection cannot be made, the session turns passive and the
    // operation runs once more on a renewed data socket.
    template <typename Operation>
    auto WithPassiveFallback(const Operation& operation);
    // The local name of a download that was given none.
    std::filesystem::path LocalNameFor(const std::string& remoteFile) const;
    // Receives the data of a RETR into localFile, held to the announced
    // count (0: none) and to maxBytes.
    void ReceiveFile(const std::filesystem::path& localFile, int32_t announced, int64_t maxBytes);
    // A reply line read on the control connection: refused when it holds NUL.
    std::string ControlReadLn();
    void SetState(FtpState state) { state_ = state; }
    void DrainAfterAbort();
    void RefuseNestedTransfer();
    // The data connection's component of one transfer: the spare one of the
    // last transfer, renewed, or a new one; given back or freed at its end.
    void OpenDataSocket(const TNotifyEvent& onPacketRecvd);
    void CloseDataSocket(bool completed);

    std::unique_ptr<TAsyncSocket> dataSocket_;       // during a transfer only
    std::unique_ptr<TAsyncSocket> spareDataSocket_;  // between transfers
    bool loginRunning_ = false;
    bool binaryType_ = false;  // TYPE I was accepted on this connection
    std::string portAddress_;  // the address part of PORT for this connection
    bool lastDownloadSucceeded_ = false;
    bool restartAccepted_ = false;
    FtpState state_ = FtpState::Closed;
};

}  // namespace ftp
