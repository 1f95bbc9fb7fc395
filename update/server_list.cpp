#include "update/server_list.h"

#include "update/install.h"
#include "update/line_field.h"

namespace update {

ServerLine ParseServerLine(std::string_view line) {
    ServerLine server;
    server.Name = LineField(line, 1);
    server.Host = LineField(line, 2);
    server.Port = StrToInt(LineField(line, 3));
    server.TimeOut = StrToInt(LineField(line, 4));
    server.UserID = LineField(line, 5);
    server.Password = LineField(line, 6);
    server.Passive = LineField(line, 7) == kPassiveField;
    return server;
}

bool IsEndLine(std::string_view line) { return line == "end"; }

std::vector<std::string> ServerEntries(const std::vector<std::string>& serverLines) {
    std::vector<std::string> entries;
    for (std::size_t i = 0; i + 1 < serverLines.size(); ++i) {
        entries.push_back(LineField(serverLines[i], 1));
    }
    return entries;
}

}  // namespace update
