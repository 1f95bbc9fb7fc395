#include "ftp/ftp_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace std::string_literals;

TEST(FtpText, ExtractByteCountTakesTheNearestRunBeforeBytes) {
    const struct {
        const char* line;
        int32_t expected;
    } cases[] = {
        {"150 Opening data connection for update3.dat (2048 bytes).\r\n", 2048},
        {"150 Opening BINARY mode data connection for a.gz\r\n", 0},
        {"150 a 12 b 34 ByTeS\r\n", 34},
        {"226 bytes follow\r\n", 226},  // only the reply code stands before the word
        {"bytes 150\r\n", 0},
        {"150 (2147483647 bytes)\r\n", 2147483647},
        {"150 (2147483648 bytes)\r\n", 0},
        {"150 (99999999999999999999999 bytes)\r\n", 0},
        {"150 (17 BYT", 0},
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ftp::ExtractByteCount(c.line), c.expected) << c.line;
    EXPECT_EQ(ftp::ExtractByteCount("1 " + std::string(300, '7') + " bytes"), 0);
    // What a transfer is held to: the reply code is no announced count.
    EXPECT_EQ(ftp::AnnouncedByteCount("226 bytes follow\r\n"), 0);
    EXPECT_EQ(ftp::AnnouncedByteCount("150 a 12 b 34 ByTeS\r\n"), 34);
}

TEST(FtpText, PasvPortUsesTheLastTwoNumbersOnly) {
    EXPECT_EQ(ftp::PasvPort("227 Entering Passive Mode (10,0,0,1,19,137)\r\n"), 5001);
    EXPECT_EQ(ftp::PasvPort("227 =127,0,0,1,0,21)"), 21);
    const char* malformed[] = {
        "227 Entering Passive Mode (10,0,0,1,19,137\r\n",  // no closing parenthesis
        "227 Entering Passive Mode\r\n",
        "227 (10,0,0,1,x,137)\r\n",
        "227 (10,0,0,1,19,)\r\n",
        "227 (10,0,0,1,256,0)\r\n",  // would wrap round to another port
        "227 (10,0,0,1,-1,0)\r\n",
        "",
    };
    for (const char* reply : malformed) {
        EXPECT_THROW(ftp::PasvPort(reply), ftp::EConvertError) << reply;
    }
}

TEST(FtpText, NthFieldCountsFromOne) {
    EXPECT_EQ(ftp::NthField("a,b,c", ',', 1), "a");
    EXPECT_EQ(ftp::NthField("a,b,c", ',', 3), "c");
    EXPECT_EQ(ftp::NthField("a,b,c", ',', 4), "");
    EXPECT_EQ(ftp::NthField(",x,", ',', 2), "x");
    EXPECT_EQ(ftp::NthField("", ',', 1), "");
    EXPECT_EQ(ftp::NthField("abc", ',', 0), "");
}

TEST(FtpText, ListLinesLoseTheirLineEndUnlessShort) {
    const struct {
        std::string line, expected;
    } cases[] = {
        {"a.txt\r\n", "a.txt"}, {"b.gz\n", "b.gz"}, {"c\n", "c\n"},   {"x\r\n", "x"},
        {"ab\n", "ab"},         {"\r\n", "\r\n"},   {"last", "last"}, {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ftp::TrimListLine(c.line), c.expected) << c.line;
}

TEST(FtpText, ReplyNumbersAndContinuation) {
    EXPECT_EQ(ftp::ReplyNumberOf("200 OK\r\n"), 200);
    EXPECT_EQ(ftp::ReplyNumberOf(" 200 OK\r\n"), 0);
    EXPECT_EQ(ftp::ReplyNumberOf(""), 0);
    EXPECT_EQ(ftp::ReplyNumberOf("0421-x"), 421);
    EXPECT_THROW(ftp::ReplyNumberOf("99999 big\r\n"), ftp::ERangeError);
    EXPECT_THROW(ftp::ReplyNumberOf("123456789012\r\n"), ftp::ERangeError);

    const struct {
        const char* line;
        bool continues;
    } cases[] = {
        {"220-Welcome\r\n", true},
        {" more text\r\n", true},
        {"220 Ready\r\n", false},
        {"22\n", false},
        {"", false},
        {"abc-", true},
        {"220", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ftp::ContinuesReply(c.line), c.continues) << c.line;
}

TEST(FtpText, WinsockErrorTexts) {
    EXPECT_EQ(ftp::WinsockErrorText(10054), "10054:Connection reset by peer");
    EXPECT_EQ(ftp::WinsockErrorText(10004), "10004:Interrupted system call");
    EXPECT_EQ(ftp::WinsockErrorText(11004), "11004:Valid name, no data record of requested type");
    EXPECT_EQ(ftp::WinsockErrorText(12345), "Unknown Error No. 12345");
    EXPECT_EQ(ftp::WinsockErrorText(0), "");
}

TEST(FtpText, AddressTextsAndCommandSafety) {
    const uint8_t address[4] = {192, 168, 0, 5};
    EXPECT_EQ(ftp::PortAddressText(address), "192,168,0,5");
    EXPECT_EQ(ftp::PortNumberText(5001), ",19,137");
    EXPECT_EQ(ftp::PortNumberText(65535), ",255,255");
    EXPECT_TRUE(ftp::IsSafeCommand("RETR update3.dat"));
    EXPECT_FALSE(ftp::IsSafeCommand("RETR a\r\nDELE b"));
    EXPECT_FALSE(ftp::IsSafeCommand("RETR a\nb"));
    EXPECT_FALSE(ftp::IsSafeCommand("RETR a\0b"s));
    EXPECT_TRUE(ftp::HasNul("331 x\0y\r\n"s));
}

TEST(FtpText, LocalNameFromRemoteTakesOnlyAPlainLastComponent) {
    const struct {
        const wchar_t* remote;
        const wchar_t* expected;  // nullptr: refused
    } cases[] = {
        {L"update3.dat", L"update3.dat"},
        {L"..\\outside1.gz", L"outside1.gz"},
        {L"../a/b.gz", L"b.gz"},
        {L"C:\\windows\\x.dll", L"x.dll"},
        {L"C:x.dll", nullptr},
        {L"a:b", nullptr},
        {L"", nullptr},
        {L"dir/", nullptr},
        {L"dir\\..", nullptr},
        {L"...", nullptr},
        {L". .", nullptr},
        {L"con", nullptr},
        {L"NUL.txt", nullptr},
        {L"com1", nullptr},
        {L"LPT9.gz", nullptr},
        {L"conout$", nullptr},
        {L"com10", L"com10"},
        {L"console.dat", L"console.dat"},
        {L"a\tb", nullptr},
    };
    for (const auto& c : cases) {
        const auto name = ftp::LocalNameFromRemote(c.remote);
        if (c.expected) {
            EXPECT_EQ(name, std::optional<std::wstring>(c.expected));
        } else {
            EXPECT_FALSE(name.has_value());
        }
    }
}

}  // namespace
