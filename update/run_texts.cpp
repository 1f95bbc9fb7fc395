#include "update/run_texts.h"

#include <string>

#include "cvcode/cvcode.h"

namespace update {

namespace {

struct ChineseText {
    const char* Big5;
    const char* Gb2312;
};

// 連線中... / 连线中...
constexpr ChineseText kConnecting = {"\xB3\x73\xBD\x75\xA4\xA4\x2E\x2E\x2E",
                                     "\xC1\xAC\xCF\xDF\xD6\xD0\x2E\x2E\x2E"};
// 連線中斷 / 连线中断
constexpr ChineseText kDisconnected = {"\xB3\x73\xBD\x75\xA4\xA4\xC2\x5F",
                                       "\xC1\xAC\xCF\xDF\xD6\xD0\xB6\xCF"};
// 目前沒有需要更新的檔案; the Simplified text is always converted from it.
constexpr char kNothingToUpdateBig5[] =
    "\xA5\xD8\xAB\x65\xA8\x53\xA6\xB3\xBB\xDD\xAD\x6E\xA7\xF3\xB7\x73\xAA\xBA\xC0\xC9\xAE\xD7";
// 你確定要離開嗎? / 你确定要离开吗?
constexpr ChineseText kExitQuestion = {
    "\xA7\x41\xBD\x54\xA9\x77\xAD\x6E\xC2\xF7\xB6\x7D\xB6\xDC\x3F",
    "\xC4\xE3\xC8\xB7\xB6\xA8\xD2\xAA\xC0\xEB\xBF\xAA\xC2\xF0\x3F"};
// 還有 / 还有
constexpr ChineseText kRemainingBefore = {"\xC1\xD9\xA6\xB3", "\xBB\xB9\xD3\xD0"};
// 個檔案需要更新 / 个档案需要更新
constexpr ChineseText kRemainingAfter = {
    "\xAD\xD3\xC0\xC9\xAE\xD7\xBB\xDD\xAD\x6E\xA7\xF3\xB7\x73",
    "\xB8\xF6\xB5\xB5\xB0\xB8\xD0\xE8\xD2\xAA\xB8\xFC\xD0\xC2"};
// 未更新:  / 未更新:
constexpr ChineseText kNotUpdated = {"\xA5\xBC\xA7\xF3\xB7\x73\x3A\x20",
                                     "\xCE\xB4\xB8\xFC\xD0\xC2\x3A\x20"};
// 大小不符 / 大小不符
constexpr ChineseText kSizeDiffers = {"\xA4\x6A\xA4\x70\xA4\xA3\xB2\xC5",
                                      "\xB4\xF3\xD0\xA1\xB2\xBB\xB7\xFB"};
// 檔名不安全 / 档名不安全
constexpr ChineseText kNameRefused = {"\xC0\xC9\xA6\x57\xA4\xA3\xA6\x77\xA5\xFE",
                                      "\xB5\xB5\xC3\xFB\xB2\xBB\xB0\xB2\xC8\xAB"};
// 無法寫入 / 无法写入
constexpr ChineseText kNotWritten = {"\xB5\x4C\xAA\x6B\xBC\x67\xA4\x4A",
                                     "\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB"};
// 類型不明 / 类型不明
constexpr ChineseText kUnknownType = {"\xC3\xFE\xAB\xAC\xA4\xA3\xA9\xFA",
                                      "\xC0\xE0\xD0\xCD\xB2\xBB\xC3\xF7"};

// 內容不符 / 内容不符
constexpr ChineseText kContentDiffers = {"\xA4\xBA\xAE\x65\xA4\xA3\xB2\xC5",
                                         "\xC4\xDA\xC8\xDD\xB2\xBB\xB7\xFB"};

Text InLanguage(std::string english, const std::string& big5, const std::string& gb2312,
                DisplayLanguage language, SimplifiedSource source) {
    switch (language) {
        case DisplayLanguage::English:
            return {std::move(english), TextCodePage::Ascii};
        case DisplayLanguage::Traditional:
            return {big5, TextCodePage::Big5};
        case DisplayLanguage::Simplified:
            return {source == SimplifiedSource::FromTraditional ? cvcode::Big5ToGB(big5) : gb2312,
                    TextCodePage::Gb2312};
    }
    return {std::move(english), TextCodePage::Ascii};
}

Text InLanguage(std::string english, const ChineseText& chinese, DisplayLanguage language,
                SimplifiedSource source) {
    return InLanguage(std::move(english), chinese.Big5, chinese.Gb2312, language, source);
}

const ChineseText& ReasonText(InstallResult result, const char*& english) {
    switch (result) {
        case InstallResult::SizeMismatch:
            english = "size differs";
            return kSizeDiffers;
        case InstallResult::UnsafeName:
            english = "name refused";
            return kNameRefused;
        case InstallResult::UnknownType:
            english = "unknown type";
            return kUnknownType;
        case InstallResult::HashMismatch:
            english = "content differs";
            return kContentDiffers;
        case InstallResult::NotWritten:
        case InstallResult::Installed:
            break;
    }
    english = "cannot write";
    return kNotWritten;
}

}  // namespace

TextCodePage LanguageCodePage(DisplayLanguage language) {
    switch (language) {
        case DisplayLanguage::Traditional:
            return TextCodePage::Big5;
        case DisplayLanguage::Simplified:
            return TextCodePage::Gb2312;
        case DisplayLanguage::English:
            break;
    }
    return TextCodePage::Ascii;
}

Text RunText(RunMessage message, DisplayLanguage language, SimplifiedSource source) {
    switch (message) {
        case RunMessage::Connecting:
            return InLanguage("connecting...", kConnecting, language, source);
        case RunMessage::Disconnected:
            return InLanguage("Disconnected", kDisconnected, language, source);
        case RunMessage::NothingToUpdate:
            return InLanguage("No files updateing needed", kNothingToUpdateBig5, "", language,
                              SimplifiedSource::FromTraditional);
        case RunMessage::ExitQuestion:
            return InLanguage("Are you sure to exit ?", kExitQuestion, language, source);
        case RunMessage::PleaseWait:
            break;
    }
    return {"please wait...", TextCodePage::Ascii};
}

Text RemainingText(size_t count, DisplayLanguage language, SimplifiedSource source) {
    const std::string n = std::to_string(count);
    std::string english =
        n + (count == 1 ? "file remain to be updated" : "files remain to be updated");
    return InLanguage(std::move(english), kRemainingBefore.Big5 + n + kRemainingAfter.Big5,
                      kRemainingBefore.Gb2312 + n + kRemainingAfter.Gb2312, language, source);
}

Text NotInstalledText(std::string_view targetName, InstallResult result, DisplayLanguage language,
                      SimplifiedSource source) {
    const char* english = nullptr;
    const ChineseText& reason = ReasonText(result, english);
    const std::string name(targetName);
    if (language == DisplayLanguage::English)
        return {name + " not updated: " + english, TextCodePage::System};
    // Only the fixed part is converted: the name is no Big5 text.
    Text fixed = InLanguage("", std::string(kNotUpdated.Big5) + reason.Big5,
                            std::string(kNotUpdated.Gb2312) + reason.Gb2312, language, source);
    fixed.Bytes = name + " " + fixed.Bytes;
    return fixed;
}

}  // namespace update
