// Random bytes as list files: splitting, field cutting and the comparison
// must stay inside their inputs and keep their invariants.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/line_field.h"
#include "update/text_lines.h"
#include "update/todo_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const size_t half = size / 2;
    const auto remote = update::SplitLines(text.substr(0, half));
    auto local = update::SplitLines(text.substr(half));

    // Saving and loading again gives the same lines.
    if (update::SplitLines(update::JoinLines(remote)) != remote) std::abort();

    for (const auto& line : remote) {
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
        for (int n = 1; n <= 6; ++n) {
            const auto field = update::LineField(line, n);
            if (field.find(' ') != std::string::npos) std::abort();
            if (!field.empty() && line.find(field) == std::string::npos) std::abort();
        }
    }

    const size_t localBefore = local.size();
    const auto todo = update::BuildToDoList(remote, local);
    if (todo.Entries.size() != todo.Names.size()) std::abort();
    if (todo.Entries.size() + 1 > remote.size() + (remote.empty() ? 1 : 0)) std::abort();
    if (local.size() != localBefore + (localBefore == 1 ? 1 : 0)) std::abort();
    return 0;
}
