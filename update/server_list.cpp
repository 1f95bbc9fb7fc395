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
    return server;
}

bool IsEndLine(std::string_view line) { return line == "end"; }

}  // namespace update
