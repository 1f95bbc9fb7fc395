#pragma once
// The byte-level rules of the FTP client that need no Windows: reply lines,
// byte counts, PASV ports, name-list lines, address texts and the Winsock
// error table. Everything here works on untrusted bytes from the network and
// never reads outside its input.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ftp/ftp_errors.h"

namespace ftp {

// "code:message" for a Winsock error code from the table, or
// "Unknown Error No. code"; empty for 0.
std::string WinsockErrorText(int code);

// The number formed by the leading decimal digits of a reply line (at most
// ten of them); 0 when the line does not start with a digit. A value outside
// the 16-bit signed range raises ERangeError.
int16_t ReplyNumberOf(std::string_view line);

// True when the next line read belongs to the same reply as this one: the
// line begins with a blank or has '-' as its fourth character.
bool ContinuesReply(std::string_view line);

// Failure ranges of the replies (exclusive bounds).
inline bool LoginReplyFailed(int n) { return n > 400 && n < 600; }
inline bool CommandReplyFailed(int n) { return n > 300 && n < 600; }
inline bool PasvReplyFailed(int n) { return n > 499; }

// The text between the (n-1)-th and the n-th delimiter, fields counted from 1;
// empty when there is no such field.
std::string NthField(std::string_view text, char delimiter, int n);

// The byte count announced by a RETR reply: the run of digits nearest before
// the first "BYTE" (any case). 0 when there is none or it does not fit a
// 32-bit signed integer.
int32_t ExtractByteCount(std::string_view line);

// The byte count a RETR reply really announces: ExtractByteCount, except that
// the reply code at the start of the line is no count (0: none announced).
int32_t AnnouncedByteCount(std::string_view line);

// The data port of a PASV reply, "227 ... (h1,h2,h3,h4,p1,p2)": p1 * 256 + p2.
// The four address numbers are ignored: data always goes to the control host.
// A reply without the numbers (or without the closing parenthesis) raises
// EConvertError.
int PasvPort(std::string_view reply);

// A name-list line as handed to the owner. A line ending in a line feed loses
// its last two characters when the second-to-last is CR, else its last one,
// but only when it is longer than two characters (so "c\n" stays as it is).
// A last line that arrived without a line end is handed over unchanged.
std::string TrimListLine(std::string_view line);

// "a,b,c,d" for an IPv4 address given as four bytes in network order.
std::string PortAddressText(const uint8_t (&address)[4]);

// ",h,l" for a port number: port div 256, port mod 256.
std::string PortNumberText(uint16_t port);

// A command line must fit on one line: refuse CR, LF and NUL inside it (a
// file name carrying them would smuggle in a second command or cut the line).
bool IsSafeCommand(std::string_view command);

// The local file name a download without one takes from its remote name: the
// remote name's last component (after '/' or '\\'), and only when it names a
// plain file here. None for an empty or dots-only component, a colon, a
// control character or a device name (CON, NUL, COM1 and the like).
std::optional<std::wstring> LocalNameFromRemote(std::wstring_view remote);

// True when a reply line carries a NUL byte: such a reply is refused.
bool HasNul(std::string_view line);

// States of the control connection, named for the status reports.
enum class FtpState : uint8_t {
    Closed,
    Connecting,
    Greeting,
    FirewallLogin,
    Proxy,
    User,
    Password,
    LoggedIn,
    DataSetup,
    Transfer,
    FinalReply,
    Aborting,
    Quitting,
};
const char* FtpStateName(FtpState state);

}  // namespace ftp
