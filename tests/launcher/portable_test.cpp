// The settings file's first line and the browser command, without windows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "launcher/settings_file.h"
#include "launcher/web_command.h"

namespace {

TEST(SettingsFile, OnlyTheExactFirstLineMeansWindowed) {
    const auto file = std::filesystem::temp_directory_path() / "launcher_sinfo_test.txt";
    const std::pair<const char*, bool> cases[] = {
        {"WindowScreen\r\nSimplified\r\n", true},
        {"WindowScreen", true},
        {"WindowScreen\nComplexities\n", true},
        {"windowscreen\r\nSimplified\r\n", false},
        {"WindowScreen \r\nSimplified\r\n", false},
        {" WindowScreen\r\n", false},
        {"FullScreen\r\nSimplified\r\n", false},
        {"", false},
        {"\r\nWindowScreen\r\n", false},
    };
    for (const auto& [content, windowed] : cases) {
        std::ofstream(file, std::ios::binary) << content;
        const auto line = launcher::ReadFirstLine(file);
        ASSERT_TRUE(line.has_value()) << content;
        EXPECT_EQ(launcher::MeansWindowed(*line), windowed) << content;
    }
    std::filesystem::remove(file);
    EXPECT_FALSE(launcher::ReadFirstLine(file).has_value());
}

TEST(WebCommand, ProgramPathIsCutFromTheFirstQuotedPart) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"\"C:\\b\\browser.exe\" -nohome \"%1\"", L"C:\\b\\browser.exe"},
        {L"\"C:\\Program Files\\b.exe\"", L"C:\\Program Files\\b.exe"},
        {L"  \"C:\\b.exe\"%1", L"C:\\b.exe"},
        {L"\"C:\\unterminated.exe -x", L"C:\\unterminated.exe -x"},
        {L"C:\\b\\browser.exe %1", L""},  // no quotes: no program
        {L"\"\" %1", L""},
        {L"", L""},
    };
    for (const auto& [command, program] : cases) {
        EXPECT_EQ(launcher::CutProgramPath(command), program) << command;
    }
}

}  // namespace
