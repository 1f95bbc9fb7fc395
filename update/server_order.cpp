#include "update/server_order.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>

namespace update {

RandomSource ClockRandomSource() {
    auto engine = std::make_shared<std::mt19937>(static_cast<std::mt19937::result_type>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    return [engine](int max) { return std::uniform_int_distribution<int>(0, max)(*engine); };
}

namespace {

bool UsableSelection(const ServerChoice& choice, size_t fileLineCount) {
    const int selected = choice.Selected;
    if (selected < 0 || selected >= choice.ItemCount - 1) return false;
    const auto index = static_cast<size_t>(selected);
    return index < choice.ChooserLines.size() && index < fileLineCount;
}

}  // namespace

Lines BuildServerOrder(const Lines& fileLines, const ServerChoice& choice,
                       const RandomSource& random) {
    Lines pool = fileLines;
    Lines order;
    order.reserve(pool.size() + 1);
    if (UsableSelection(choice, pool.size())) {
        const auto index = static_cast<size_t>(choice.Selected);
        order.push_back(choice.ChooserLines[index]);
        pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(index));
    }
    while (!pool.empty()) {
        // Only lines before the last one are drawn while there are any.
        size_t index = 0;
        if (pool.size() > 1) {
            const int highest = static_cast<int>(pool.size()) - 2;
            index = static_cast<size_t>(std::clamp(random(highest), 0, highest));
        }
        order.push_back(std::move(pool[index]));
        pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(index));
    }
    return order;
}

}  // namespace update
