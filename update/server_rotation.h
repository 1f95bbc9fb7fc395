#pragma once
// Walks the server order one attempt at a time. The line after the one tried
// last decides whether another attempt is made: not when it is the end marker
// or when there is none, so the end line is never used as a server.

#include <functional>
#include <string>

#include "update/text_lines.h"

namespace update {

enum class AttemptResult { LoggedIn, Failed, Aborted };
enum class RotationResult { LoggedIn, Aborted, Exhausted };

class ServerRotation {
public:
    ServerRotation() = default;
    explicit ServerRotation(Lines order) : order_(std::move(order)) {}

    // The line after the attempt index exists and is a server line.
    bool NextIsServer() const;

    // Tries the following servers one after the other until one logs in or
    // an attempt is stopped by the abort flag; Exhausted when the order has
    // no further server.
    RotationResult ConnectNext(
        const std::function<AttemptResult(const std::string& line)>& attempt);

    int AttemptIndex() const { return attemptIndex_; }
    // The line tried last; empty before the first attempt.
    std::string CurrentLine() const;

private:
    Lines order_;
    int attemptIndex_ = -1;  // the line tried last
};

}  // namespace update
