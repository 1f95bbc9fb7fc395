#include "update/server_rotation.h"

#include "update/server_list.h"

namespace update {

bool ServerRotation::NextIsServer() const {
    const auto next = static_cast<size_t>(attemptIndex_ + 1);
    return next < order_.size() && !IsEndLine(order_[next]);
}

std::string ServerRotation::CurrentLine() const {
    if (attemptIndex_ < 0 || static_cast<size_t>(attemptIndex_) >= order_.size()) return {};
    return order_[static_cast<size_t>(attemptIndex_)];
}

RotationResult ServerRotation::ConnectNext(
    const std::function<AttemptResult(const std::string& line)>& attempt) {
    while (NextIsServer()) {
        ++attemptIndex_;
        const std::string line = order_[static_cast<size_t>(attemptIndex_)];
        switch (attempt(line)) {
            case AttemptResult::LoggedIn:
                return RotationResult::LoggedIn;
            case AttemptResult::Aborted:
                return RotationResult::Aborted;
            case AttemptResult::Failed:
                break;
        }
    }
    return RotationResult::Exhausted;
}

}  // namespace update
