#pragma once
// The one base of every error this system raises. The message is kept as the
// bytes it was built from (often Big5 or GB2312 text), never re-encoded.

#include <exception>
#include <string>
#include <utility>

namespace selvane {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }

    std::string Message;
};

}  // namespace selvane
