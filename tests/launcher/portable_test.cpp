// The settings file and the browser command, without windows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/exception.h"
#include "launcher/settings_file.h"
#include "launcher/web_command.h"

namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("launcher_settings_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path File() const { return dir_ / "sinfo.txt"; }
    void Put(const std::string& bytes) const {
        std::ofstream(File(), std::ios::binary) << bytes;
    }
    std::string Get() const {
        std::ifstream in(File(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
};

TEST_F(SettingsFile, OnlyTheExactFirstLineMeansWindowed) {
    struct Case {
        const char* content;
        bool windowed;
    };
    const Case cases[] = {
        {"WindowScreen\r\nSimplified\r\n", true},
        {"WindowScreen", true},
        {"WindowScreen\nComplexities\n", true},
        {"WindowScreen\rx", true},
        {"windowscreen\r\nSimplified\r\n", false},
        {"WindowScreen \r\nSimplified\r\n", false},
        {" WindowScreen\r\n", false},
        {"FullScreen\r\nSimplified\r\n", false},
        {"", false},
        {"\r\nWindowScreen\r\n", false},
    };
    for (const Case& c : cases) {
        Put(c.content);
        const auto line = launcher::ReadFirstLine(File());
        ASSERT_TRUE(line.has_value()) << c.content;
        EXPECT_EQ(launcher::MeansWindowed(*line), c.windowed) << c.content;
    }
    fs::remove(File());
    EXPECT_FALSE(launcher::ReadFirstLine(File()).has_value());
}

TEST_F(SettingsFile, WritesTwoLinesWithCrLfReplacingWhateverWasThere) {
    struct Case {
        launcher::ScreenMode mode;
        bool traditional;
        const char* expected;
    };
    const Case cases[] = {
        {launcher::ScreenMode::FullScreen, false, "FullScreen\r\nSimplified\r\n"},
        {launcher::ScreenMode::FullScreen, true, "FullScreen\r\nComplexities\r\n"},
        {launcher::ScreenMode::Windowed, false, "WindowScreen\r\nSimplified\r\n"},
        {launcher::ScreenMode::Windowed, true, "WindowScreen\r\nComplexities\r\n"},
    };
    for (const Case& c : cases) {
        Put("a much longer earlier settings file that must not leave a tail behind\r\n");
        launcher::WriteSettings(File(), c.mode, c.traditional);
        EXPECT_EQ(Get(), c.expected);
    }
    // Nothing but the settings file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SettingsFile, AFailedWriteIsAnErrorAndLeavesNothingBehind) {
    const fs::path missing = dir_ / "no such folder" / "sinfo.txt";
    EXPECT_THROW(launcher::WriteSettings(missing, launcher::ScreenMode::FullScreen, false),
                 selvane::Exception);
    EXPECT_FALSE(fs::exists(missing.parent_path()));
}

TEST(WebCommand, ProgramPathIsCutFromTheFirstQuotedPart) {
    struct Case {
        const wchar_t* command;
        const wchar_t* program;
    };
    const Case cases[] = {
        {L"\"C:\\b\\browser.exe\" -nohome \"%1\"", L"C:\\b\\browser.exe"},
        {L"\"C:\\Program Files\\b.exe\"", L"C:\\Program Files\\b.exe"},
        {L"  \"C:\\b.exe\"%1", L"C:\\b.exe"},
        {L"\"C:\\unterminated.exe -x", L"C:\\unterminated.exe -x"},
        {L"C:\\b\\browser.exe %1", L""},  // no quotes: no program
        {L"\"\" %1", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(launcher::CutProgramPath(c.command), c.program) << c.command;
    }
}

TEST(WebCommand, APageWithBlanksStaysOneParameter) {
    struct Case {
        const wchar_t* page;
        const wchar_t* parameter;
    };
    const Case cases[] = {
        {L"C:\\Game\\index.htm", L"C:\\Game\\index.htm"},
        {L"https://www.norvale.example/", L"https://www.norvale.example/"},
        {L"C:\\Program Files\\Game\\index.htm", L"\"C:\\Program Files\\Game\\index.htm\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(launcher::PageParameter(c.page), c.parameter) << c.page;
    }
}

}  // namespace
