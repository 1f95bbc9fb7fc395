#include "update/todo_list.h"

#include "update/line_field.h"

namespace update {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool VersionGreater(std::string_view remote, std::string_view local) {
    const size_t common = remote.size() < local.size() ? remote.size() : local.size();
    for (size_t i = 0; i < common; ++i) {
        const auto r = static_cast<unsigned char>(remote[i]);
        const auto l = static_cast<unsigned char>(local[i]);
        if (r != l) return r > l;
    }
    return remote.size() > local.size();
}

std::string ChangedEntry(size_t localLine, std::string_view remoteLine) {
    std::string entry = "U " + std::to_string(localLine) + " ";
    entry += remoteLine;
    return entry;
}

ToDoList BuildToDoList(const Lines& remote, Lines& local) {
    if (local.size() == 1) local.emplace_back();

    // Field 1 and 2 of every record line, cut once rather than per remote line.
    std::vector<std::pair<std::string, std::string>> records;
    records.reserve(local.size());
    for (const auto& line : local) records.emplace_back(LineField(line, 1), LineField(line, 2));

    ToDoList todo;
    for (size_t j = 1; j < remote.size(); ++j) {
        const std::string name = LineField(remote[j], 3);
        const std::string version = LineField(remote[j], 4);
        for (size_t k = 1; k < records.size(); ++k) {
            if (NamesEqual(name, records[k].first)) {
                if (VersionGreater(version, records[k].second)) {
                    todo.Names.push_back(name);
                    todo.Entries.push_back(ChangedEntry(k, remote[j]));
                }
                break;
            }
            if (k + 1 == records.size()) {
                todo.Names.push_back(name);
                todo.Entries.push_back(remote[j]);
            }
        }
    }
    return todo;
}

}  // namespace update
