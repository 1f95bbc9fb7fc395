#pragma once
// One line of the server list isp0.dat, and the line that ends the list.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace update {

inline constexpr char kServerListFile[] = "isp0.dat";

struct ServerLine {
    std::string Name;  // field 1, what the chooser shows
    std::string Host;
    int32_t Port = 0;
    int32_t TimeOut = 0;  // milliseconds, for the connection attempt
    std::string UserID;
    std::string Password;
    // Field 7 "passive": data connections are passive from the start, for
    // servers that cannot connect back to players. Programs that read only
    // fields 1 to 6 ignore it.
    bool Passive = false;
};

inline constexpr char kPassiveField[] = "passive";

// Fields 1 to 7; further fields are ignored. Raises the integer conversion's
// selvane::Exception when the port or the time-out is not a decimal integer.
ServerLine ParseServerLine(std::string_view line);

// What a chooser lists: field 1 of every line but the last, which is the end
// marker; entry i stands for line i of the file. The any-server entry is not
// among them.
std::vector<std::string> ServerEntries(const std::vector<std::string>& serverLines);

// The end marker is the whole line "end", case included.
bool IsEndLine(std::string_view line);

}  // namespace update
