// ostrel.exe, a sample game client for vexblit2.dll. It records its command
// line beside itself, reads the screen mode that the launcher's settings
// window wrote, loads the library by name, picks the pixel format from the
// display, loads its TGA emblem (a failure is shown, and the game goes on
// without it) and draws its scene until Escape or the window closes.

#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "sample/display_format_win.h"
#include "sample/game_window_win.h"
#include "sample/scene.h"
#include "sample/startup_options.h"
#include "sample/tga_load_win.h"
#include "sample/vexblit2_dll_win.h"

namespace {

using namespace ostrel;

// Relative to the current directory, as the game's other data files.
constexpr char kEmblemFile[] = "art\\emblem.tga";

std::string ToUtf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(size_t(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

std::wstring Widen(const std::string& text, UINT codePage) {
    const int size = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), out.data(), size);
    return out;
}

std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.push_back(ToUtf8(argv[i]));
    LocalFree(argv);
    return arguments;
}

std::filesystem::path ProgramDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return std::filesystem::path(path).parent_path();
}

// Beside the program, replaced whole: a reader never sees half a list.
void RecordArguments(const std::vector<std::string>& arguments) {
    const std::filesystem::path file = ProgramDirectory() / kArgumentsFile;
    std::filesystem::path temporary = file;
    temporary += L".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << ArgumentsText(arguments);
        if (!out.flush()) return;  // a read-only game folder: play anyway
    }
    MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
}

int RunGame(const CommandLine& commandLine) {
    const VexBlit2Dll library;
    const VexBlit2Api& vx = library.Api();
    const DisplayFormat display = ChooseDisplayFormat();
    const SceneArt art = StartScene(vx, display.Format);
    const TgaLoadResult emblem = LoadTgaCatchingFailure(vx, kEmblemFile);

    GameSettings settings;
    settings.Vx = &vx;
    settings.Art = &art;
    settings.Emblem = emblem.Picture ? &*emblem.Picture : nullptr;
    settings.Mode = ReadScreenMode(kSettingsFile);
    settings.Arguments = Widen(ArgumentsLine(commandLine.Arguments), CP_UTF8);
    settings.Dump = commandLine.Dump;
    settings.Still = commandLine.Still;
    settings.LoadFailure = Widen(emblem.Failure, CP_ACP);
    int exitCode = 0;
    {
        GameWindow window(std::move(settings));
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!window.Failure().empty()) {
            MessageBoxW(nullptr, Widen(window.Failure(), CP_ACP).c_str(), kWindowTitle,
                        MB_OK | MB_ICONERROR);
            exitCode = 1;
        }
    }
    vx.vx_Free();
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::string> arguments = Arguments();
    RecordArguments(arguments);
    try {
        return RunGame(ParseCommandLine(arguments));
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, Widen(e.what(), CP_ACP).c_str(), kWindowTitle, MB_OK | MB_ICONERROR);
        return 1;
    }
}
