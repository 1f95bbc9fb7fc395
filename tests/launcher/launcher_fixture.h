#pragma once
// A game folder of small test pictures as the current directory, recorded
// message boxes and a clean application state around every test.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/winui/jpeg_writer.h"
#include "winui/application.h"
#include "winui/controls.h"
#include "winui/locale.h"
#include "winui/message_pump.h"
#include "winui/recorded_boxes.h"

namespace launcher_test {

namespace fs = std::filesystem;

// Every picture of both sets, each its own colour so a mix-up would show.
inline void WritePictures(const fs::path& dir) {
    std::vector<std::wstring> names = {L"1.jpg", L"2.jpg", L"6.jpg"};
    for (const wchar_t* set : {L"c", L"s"}) {
        names.push_back(std::wstring(L"0") + set + L".jpg");
        names.push_back(std::wstring(L"0") + set + L"1.jpg");
        for (int picture = 0; picture < 10; ++picture) {
            names.push_back(std::to_wstring(picture / 2 + 1) + L"-" +
                            std::to_wstring(picture % 2 + 1) + set + L".jpg");
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto shade = static_cast<std::uint8_t>(10 + 7 * i);
        testing_jpeg::WriteFile(dir / L"mainpic" / names[i],
                                testing_jpeg::Solid(8, 8, shade, 255 - shade, 100));
    }
}

class GameFolder : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("launcher_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        WritePictures(dir_);
        fs::current_path(dir_);
        winui::SetLocale(0x409);
    }

    void TearDown() override {
        winui::Application& app = winui::Application::Instance();
        app.SetOnException(nullptr);
        app.SetMainForm(nullptr);
        winui::ProcessMessages();
        winui::ResetTerminated();
        fs::current_path(home_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string Settings() const {
        std::ifstream in(dir_ / "sinfo.txt", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void PutSettings(const std::string& bytes) const {
        std::ofstream(dir_ / "sinfo.txt", std::ios::binary) << bytes;
    }

    fs::path home_;
    fs::path dir_;
    winui::RecordedBoxes boxes;
};

inline POINT CentreOf(const winui::GraphicControl& control) {
    return {control.Left() + control.Width() / 2, control.Top() + control.Height() / 2};
}

inline void Press(winui::Form& form, const winui::GraphicControl& control, UINT message) {
    const POINT p = CentreOf(control);
    SendMessageW(form.Handle(), message, 0, MAKELPARAM(p.x, p.y));
}

// Press and release a mouse button over a control; the release may be moved off it.
inline void ClickOn(winui::Form& form, const winui::GraphicControl& control, bool left = true,
                    bool releaseOutside = false) {
    Press(form, control, left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN);
    POINT p = CentreOf(control);
    if (releaseOutside) {
        p = {control.Left() + control.Width() + 5, control.Top() - 5};
    }
    SendMessageW(form.Handle(), left ? WM_LBUTTONUP : WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
}

}  // namespace launcher_test
