#pragma once
// The client's one window: a 640 x 480 frame in a 16-bit DIB section whose
// pixel layout is the library's format, redrawn on a timer and shown as is.
// Windowed it has a caption; full screen it is a borderless window over the
// whole screen with the frame in its middle (the display mode is left alone).
// Escape or closing the window ends the message loop.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "sample/picture.h"
#include "sample/scene.h"
#include "sample/startup_options.h"
#include "sample/vexblit2_api.h"
#include "sample/win_handles.h"

namespace ostrel {

struct GameSettings {
    const VexBlit2Api* Vx = nullptr;
    const SceneArt* Art = nullptr;
    const AlphaPicture* Emblem = nullptr;  // null when its TGA did not load
    ScreenMode Mode = ScreenMode::FullScreen;
    std::wstring Arguments;                     // shown in the status text
    std::optional<std::filesystem::path> Dump;  // where the first frame goes, if anywhere
    std::optional<uint32_t> Still;              // the one scene frame drawn, if pinned
    std::wstring LoadFailure;                   // shown once in a message box
};

inline constexpr wchar_t kWindowTitle[] = L"ostrel";

class GameWindow {
public:
    // Creates and shows the window with its first frame drawn. Throws
    // std::runtime_error when the window or its frame cannot be made.
    explicit GameWindow(GameSettings settings);
    ~GameWindow();
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    // Why the window closed itself, if an error stopped it; empty otherwise.
    const std::string& Failure() const { return failure_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void DrawFrame();
    void DrawStatus();
    void Paint();

    GameSettings settings_;
    GdiBitmap frameBitmap_;  // the DIB section; frame_ points into it
    Surface frame_;
    std::optional<MemoryDc> frameDc_;
    HWND window_ = nullptr;
    uint32_t frameNumber_ = 0;
    bool dumped_ = false;
    LARGE_INTEGER frequency_{}, lastFrame_{};
    double drawMs_ = 0, intervalMs_ = 0;
    std::string failure_;
};

}  // namespace ostrel
