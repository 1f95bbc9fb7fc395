#include "ftp/ftp_text.h"

#include <array>

namespace ftp {
namespace {

struct ErrorRow {
    int code;
    const char* message;
};

// The Winsock error texts. The last row is never looked up: 0 is no error.
constexpr std::array<ErrorRow, 51> kErrorRows{{
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Wrong protocol type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Can't assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Network dropped connection or reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references, can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to Host"},
    {10066, "Directory not empty"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disc quota exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Network subsystem is unavailable"},
    {10092, "Incompatible version of WINSOCK.DLL"},
    {10093, "Successful WSAStartup not yet performed"},
    {11001, "Host not found"},
    {11002, "Non-Authoritative Host not found"},
    {11003, "Non-Recoverable error: FORMERR, REFUSED, NOTIMP"},
    {11004, "Valid name, no data record of requested type"},
    {0, "Unrecognized error code"},
}};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A decimal integer with optional leading blanks and sign, nothing after it.
bool ParseInt(std::string_view text, long long& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return false;
        v = v * 10 + (text[i] - '0');
        if (v > 0x7FFFFFFF) return false;
    }
    value = negative ? -v : v;
    return true;
}

}  // namespace

std::string WinsockErrorText(int code) {
    if (code == 0) return {};
    for (const ErrorRow& row : kErrorRows) {
        if (row.code == code) return std::to_string(code) + ":" + row.message;
    }
    return "Unknown Error No. " + std::to_string(code);
}

int16_t ReplyNumberOf(std::string_view line) {
    long long value = 0;
    size_t digits = 0;
    while (digits < line.size() && digits < 10 && IsDigit(line[digits])) {
        value = value * 10 + (line[digits] - '0');
        ++digits;
    }
    if (value > 32767) throw ERangeError("Range check error");
    return static_cast<int16_t>(value);
}

bool ContinuesReply(std::string_view line) {
    if (line.empty()) return false;
    return line[0] == ' ' || (line.size() >= 4 && line[3] == '-');
}

std::string NthField(std::string_view text, char delimiter, int n) {
    if (n < 1) return {};
    size_t start = 0;
    for (int field = 1; field < n; ++field) {
        const size_t next = text.find(delimiter, start);
        if (next == std::string_view::npos) return {};
        start = next + 1;
    }
    const size_t end = text.find(delimiter, start);
    return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

namespace {

// The run of digits nearest before the first "BYTE" (any case) and its value;
// value 0 when there is none or it does not fit a 32-bit signed integer.
struct CountRun {
    size_t first = 0;
    int32_t value = 0;
};

CountRun DigitsBeforeBytes(std::string_view line) {
    size_t word = std::string_view::npos;
    for (size_t i = 0; i + 4 <= line.size(); ++i) {
        if (Upper(line[i]) == 'B' && Upper(line[i + 1]) == 'Y' && Upper(line[i + 2]) == 'T' &&
            Upper(line[i + 3]) == 'E') {
            word = i;
            break;
        }
    }
    if (word == std::string_view::npos) return {};
    size_t last = word;  // one past the nearest digit before the word
    while (last > 0 && !IsDigit(line[last - 1])) --last;
    if (last == 0) return {};
    size_t first = last - 1;
    while (first > 0 && IsDigit(line[first - 1])) --first;
    if (last - first > 255) return {};
    long long value = 0;
    for (size_t i = first; i < last; ++i) {
        value = value * 10 + (line[i] - '0');
        if (value > 0x7FFFFFFF) return {};
    }
    return {first, static_cast<int32_t>(value)};
}

}  // namespace

int32_t ExtractByteCount(std::string_view line) { return DigitsBeforeBytes(line).value; }

int32_t AnnouncedByteCount(std::string_view line) {
    const CountRun run = DigitsBeforeBytes(line);
    return run.first == 0 ? 0 : run.value;
}

int PasvPort(std::string_view reply) {
    std::string low = NthField(reply, ',', 6);
    const size_t paren = low.find(')');
    if (paren == std::string::npos) {
        throw EConvertError("Malformed passive reply");
    }
    low.resize(paren);
    const std::string high = NthField(reply, ',', 5);
    long long p1 = 0;
    long long p2 = 0;
    if (!ParseInt(high, p1) || !ParseInt(low, p2)) throw EConvertError("Malformed passive reply");
    // A port outside 0..65535 would silently wrap to some other port.
    if (p1 < 0 || p1 > 255 || p2 < 0 || p2 > 255) {
        throw EConvertError("Passive port out of range");
    }
    return static_cast<int>(p1 * 256 + p2);
}

std::string TrimListLine(std::string_view line) {
    if (line.size() > 2 && line.back() == '\n') {
        const bool crlf = line[line.size() - 2] == '\r';
        line.remove_suffix(crlf ? 2 : 1);
    }
    return std::string(line);
}

std::string PortAddressText(const uint8_t (&address)[4]) {
    std::string text = std::to_string(address[0]);
    for (int i = 1; i < 4; ++i) {
        text += ',';
        text += std::to_string(address[i]);
    }
    return text;
}

std::string PortNumberText(uint16_t port) {
    std::string text(1, ',');
    text += std::to_string(port / 256);
    text += ',';
    text += std::to_string(port % 256);
    return text;
}

bool IsSafeCommand(std::string_view command) {
    return command.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

namespace {

// Windows opens a device, not a file, for these base names, whatever the
// extension.
bool IsDeviceName(std::wstring_view name) {
    std::string base;
    for (const wchar_t c : name) {
        if (c == L'.') break;
        if (c > 0x7f) return false;
        base += static_cast<char>(c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c);
    }
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
        if (base == device) return true;
    }
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::optional<std::wstring> LocalNameFromRemote(std::wstring_view remote) {
    const size_t slash = remote.find_last_of(L"/\\");
    const std::wstring_view name =
        slash == std::wstring_view::npos ? remote : remote.substr(slash + 1);
    if (name.empty() || IsDeviceName(name)) return std::nullopt;
    bool onlyDotsAndBlanks = true;
    for (const wchar_t c : name) {
        if (c < 0x20 || c == L':') return std::nullopt;
        if (c != L'.' && c != L' ') onlyDotsAndBlanks = false;
    }
    if (onlyDotsAndBlanks) return std::nullopt;
    return std::wstring(name);
}

bool HasNul(std::string_view line) { return line.find('\0') != std::string_view::npos; }

const char* FtpStateName(FtpState state) {
    static constexpr const char* kNames[] = {
        "Closed",      "Connecting", "Greeting",  "Firewall login", "Proxy",
        "User",        "Password",   "Logged in", "Data set-up",    "Transfer",
        "Final reply", "Aborting",   "Quitting",
    };
    const auto i = static_cast<size_t>(state);
    return i < sizeof kNames / sizeof kNames[0] ? kNames[i] : "?";
}

}  // namespace ftp
