#pragma once
// The errors the socket component and the FTP client raise. All derive from
// selvane::Exception and carry their message bytes unchanged.

#include "core/exception.h"

namespace ftp {

// A socket failure: a Winsock error text, a failed lookup or connect.
class ESocketError : public selvane::Exception {
public:
    using selvane::Exception::Exception;
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
