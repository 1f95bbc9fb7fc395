#pragma once
// The errors the socket component and the FTP client raise. All derive from
// selvane::Exception and carry their message bytes unchanged; a socket error
// also says what kind of failure it is, so callers never compare texts.

#include <string>
#include <utility>

#include "core/exception.h"

namespace ftp {

enum class SocketErrorKind {
    Other,           // a Winsock error text, a failed connect, a cancelled wait
    LookupTimedOut,  // the host lookup ran past the time-out
    LookupCanceled,  // the host lookup was cancelled
    LookupFailed,    // the resolver answered with an error
    Destroyed,       // a handler freed the component during its wait
    ShortTransfer,   // fewer bytes arrived than were announced
    LongTransfer,    // more bytes arrived than were announced or allowed
};

// A socket failure: a Winsock error text, a failed lookup or connect.
class ESocketError : public selvane::Exception {
public:
    explicit ESocketError(std::string message, SocketErrorKind kind = SocketErrorKind::Other)
        : selvane::Exception(std::move(message)), Kind(kind) {}
    SocketErrorKind Kind;
};

// A send or read ended by a cancel (or a plain socket's time-out).
class EAbortError : public ESocketError {
public:
    using ESocketError::ESocketError;
};

// A failing FTP reply; the message is the reply line, line end included.
class FTPException : public selvane::Exception {
public:
    using selvane::Exception::Exception;
};

// The server hung up where a reply was due.
class EClosedByServer : public FTPException {
public:
    using FTPException::FTPException;
};

// A value out of its range: an over-long line, an oversized text or number.
class ERangeError : public selvane::Exception {
public:
    using selvane::Exception::Exception;
};

// A text that should hold a number does not.
class EConvertError : public selvane::Exception {
public:
    using selvane::Exception::Exception;
};

}  // namespace ftp
