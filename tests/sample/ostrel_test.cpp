// ostrel.exe started the way the launcher and the updater start it, in a game
// folder of its own: the frame it draws through vexblit2.dll equals the same
// frame drawn here with the library linked in (its scalar kernels, see
// CMakeLists.txt), a missing TGA shows the library's text while the game draws
// on without it, and the command line is recorded beside the program.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "sample/frame_dump.h"
#include "sample/scene.h"

namespace {

namespace fs = std::filesystem;
using namespace ostrel;

constexpr uint32_t kStillFrame = 37;  // mid-animation: everything off its start position
// Generous: in the emulated VM on a busy machine the client takes tens of
// seconds to show its first frame.
constexpr DWORD kPatienceMs = 90000;

// The library linked into this test, in the table the client fills by name.
const VexBlit2Api kLinkedLibrary = {
    vx_Init,
    vx_Free,
    vx_CheckMMX_Bit16,
    vx_ARGB,
    vx_Normal_Blt,
    vx_Clipper_Blt,
    vx_Clipper_ColorKey_Blt,
    vx_Clipper_Alpha_ColorKey_Blt,
    vx_Clipper_BlackAlpha_ColorKey_Blt,
    vx_Clipper_LightAlpha_ColorKey_Blt,
    vx_Clipper_AlphaChannel_Blt,
    vx_Clipper_AlphaChannel_Blt2,
    vx_Clipper_Alpha_Fill,
    vx_Reduce_Blt,
    vx_Reduce_ColorKey_Blt,
    vx_LoadTga,
};

// A path of the build tree (Unix) as wine sees it, on drive Z:.
fs::path FromBuildTree(const std::string& unixPath) {
    std::wstring path = L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// vx_LoadTga converts to the library's current format.
AlphaPicture LoadEmblem(const fs::path& file, PixelFormat format) {
    vx_CheckMMX_Bit16(FormatMode(format));
    vx_Init(0);
    uint16_t width = 0, height = 0;
    std::vector<uint16_t> pixels(512 * 512);
    std::vector<uint8_t> alpha(512 * 512);
    vx_LoadTga(file.string().c_str(), pixels.data(), alpha.data(), &width, &height);
    AlphaPicture emblem;
    emblem.Image = Picture(width, height);
    std::copy_n(pixels.begin(), emblem.Image.Pixels.size(), emblem.Image.Pixels.begin());
    emblem.Alpha.assign(alpha.begin(), alpha.begin() + ptrdiff_t(emblem.Image.Pixels.size()));
    vx_Free();
    return emblem;
}

Picture ReferenceFrame(PixelFormat format, uint32_t frame, const AlphaPicture* emblem,
                       unsigned layers = kAllLayers) {
    const SceneArt art = StartScene(kLinkedLibrary, format);
    Picture picture(kFrameWidth, kFrameHeight);
    ComposeFrame(kLinkedLibrary, art, emblem, frame, SurfaceOf(picture), layers);
    return picture;
}

// "x,y: got G, want W" for the first pixel that differs from row `top` on,
// or empty when they are equal.
std::string FirstDifference(const Picture& got, const Picture& want, int top = 0) {
    if (got.Width != want.Width || got.Height != want.Height) return "sizes differ";
    for (int y = top; y < got.Height; ++y)
        for (int x = 0; x < got.Width; ++x)
            if (got.At(x, y) != want.At(x, y)) {
                std::ostringstream text;
                text << x << "," << y << ": got " << std::hex << got.At(x, y) << ", want "
                     << want.At(x, y);
                return text.str();
            }
    return "";
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, int(std::size(text)));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, int(std::size(name)));
    return name;
}

struct WindowSearch {
    DWORD Process;
    const wchar_t* Class;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->Process && IsWindowVisible(window) && ClassOf(window) == search->Class)
        search->Found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectText(HWND window, LPARAM context) {
    reinterpret_cast<std::vector<std::wstring>*>(context)->push_back(TextOf(window));
    return TRUE;
}

// ostrel.exe in a folder of its own, with vexblit2.dll beside it.
class Client : public testing::Test {
protected:
    void SetUp() override {
        // The linked library chose its kernels when this program loaded; the
        // client must choose its own.
        SetEnvironmentVariableW(L"VEXBLIT2_TIER", nullptr);
        static std::atomic<int> serial{0};
        dir_ = fs::temp_directory_path() /
               ("ostrel-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file(FromBuildTree(OSTREL_EXE), dir_ / "ostrel.exe");
        fs::copy_file(FromBuildTree(OSTREL_DLL), dir_ / "vexblit2.dll");
    }

    void TearDown() override {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, kPatienceMs);
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    void AddEmblem() {
        fs::create_directories(dir_ / "art");
        fs::copy_file(FromBuildTree(OSTREL_EMBLEM), dir_ / "art" / "emblem.tga");
    }

    void AddSettings(const char* text) { std::ofstream(dir_ / "sinfo.txt") << text; }

    // The current directory is the game folder, as the launcher starts it.
    void Start(const std::wstring& arguments) {
        std::wstring line = L"\"" + (dir_ / "ostrel.exe").wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   dir_.wstring().c_str(), &startup, &process_));
    }

    // Looks again every 50 ms until `ready` holds; gives up when the client
    // has ended or after kPatienceMs.
    bool WaitUntil(const std::function<bool()>& ready) {
        const DWORD start = GetTickCount();
        while (!ready()) {
            if (GetTickCount() - start > kPatienceMs) return false;
            if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) return ready();
        }
        return true;
    }

    // The client's visible top-level windows of one class.
    std::vector<HWND> Windows(const wchar_t* className) {
        WindowSearch search{process_.dwProcessId, className, {}};
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
        return search.Found;
    }

    HWND GameWindow() {
        for (HWND window : Windows(L"ostrel.game"))
            if (TextOf(window) == L"ostrel") return window;
        return nullptr;
    }

    DWORD ExitCode() {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process_.hProcess, kPatienceMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

    std::optional<FrameDump> WaitForDump() {
        std::optional<FrameDump> dump;
        WaitUntil([&] { return bool(dump = ReadFrameDump(dir_ / "frame.bin")); });
        return dump;
    }

    fs::path dir_;
    PROCESS_INFORMATION process_{};
};

// What the window shows, read from the screen into 565 pixels.
Picture ReadWindow(HWND window) {
    struct {
        BITMAPINFOHEADER Header;
        DWORD Masks[3];
    } info{};
    info.Header.biSize = sizeof info.Header;
    info.Header.biWidth = kFrameWidth;
    info.Header.biHeight = -kFrameHeight;
    info.Header.biPlanes = 1;
    info.Header.biBitCount = 16;
    info.Header.biCompression = BI_BITFIELDS;
    info.Masks[0] = 0xF800, info.Masks[1] = 0x07E0, info.Masks[2] = 0x001F;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HDC screen = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    BitBlt(memory, 0, 0, kFrameWidth, kFrameHeight, screen, (client.right - kFrameWidth) / 2,
           (client.bottom - kFrameHeight) / 2, SRCCOPY);
    GdiFlush();
    Picture picture = CopyOf({bits, kFrameWidth, kFrameHeight, kFrameWidth * 2});
    ReleaseDC(window, screen);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return picture;
}

int ScreenBits() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

TEST_F(Client, StartedByTheUpdaterDrawsTheReferenceFrameInAWindow) {
    AddEmblem();
    AddSettings("WindowScreen\r\nSimplified\r\n");
    Start(L"1 --frame 37 --dump frame.bin");

    const std::optional<FrameDump> dump = WaitForDump();
    ASSERT_TRUE(dump);
    // The display is 16-bit 565 (or 32-bit, where 565 is the choice too).
    EXPECT_EQ(PixelFormat::Rgb565, dump->Format);
    EXPECT_EQ(kStillFrame, dump->Frame);
    const AlphaPicture emblem = LoadEmblem(dir_ / "art" / "emblem.tga", PixelFormat::Rgb565);
    const Picture reference = ReferenceFrame(PixelFormat::Rgb565, kStillFrame, &emblem);
    EXPECT_EQ("", FirstDifference(dump->Image, reference));

    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = GameWindow()) != nullptr; }));
    EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_CAPTION);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(kFrameWidth, client.right);
    EXPECT_EQ(kFrameHeight, client.bottom);
    if (ScreenBits() == 16) {
        // The DIB's masks say what the library drew, so the screen shows it
        // unchanged; only the status text on the panel differs from frame to frame.
        std::string difference;
        WaitUntil([&] {
            difference = FirstDifference(ReadWindow(window), reference, kPanelHeight);
            return difference.empty();
        });
        EXPECT_EQ("", difference);
    }

    std::ifstream recorded(dir_ / "ostrel_args.txt", std::ios::binary);
    const std::string arguments{std::istreambuf_iterator<char>(recorded), {}};
    EXPECT_EQ("1\r\n--frame\r\n37\r\n--dump\r\nframe.bin\r\n", arguments);

    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(0u, ExitCode());
}

TEST_F(Client, MissingEmblemShowsTheLibrarysTextAndTheGameDrawsOnWithoutIt) {
    Start(L"--frame 37 --dump frame.bin");  // no sinfo.txt: full screen

    std::vector<HWND> boxes;
    ASSERT_TRUE(WaitUntil([&] { return !(boxes = Windows(L"#32770")).empty(); }));
    std::vector<std::wstring> texts;
    EnumChildWindows(boxes[0], CollectText, reinterpret_cast<LPARAM>(&texts));
    EXPECT_NE(texts.end(),
              std::find(texts.begin(), texts.end(), L"Cannot open file art\\emblem.tga"));
    PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return Windows(L"#32770").empty(); }));

    const std::optional<FrameDump> dump = WaitForDump();
    ASSERT_TRUE(dump);
    const Picture reference = ReferenceFrame(dump->Format, kStillFrame, nullptr);
    EXPECT_EQ("", FirstDifference(dump->Image, reference));

    // Still running, over the whole screen, without a frame, and showing the scene.
    const HWND window = GameWindow();
    ASSERT_NE(nullptr, window);
    if (ScreenBits() == 16) {
        std::string difference;
        WaitUntil([&] {
            difference = FirstDifference(ReadWindow(window), reference, kPanelHeight);
            return difference.empty();
        });
        EXPECT_EQ("", difference);
    }
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right - rect.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rect.bottom - rect.top);
    EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_CAPTION);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, ExitCode());
}

// The sample shows every blit: leaving out any one layer changes the frame.
TEST(Scene, EveryLayerShows) {
    for (PixelFormat format : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
        const AlphaPicture emblem = LoadEmblem(FromBuildTree(OSTREL_EMBLEM), format);
        const Picture whole = ReferenceFrame(format, 0, &emblem);
        for (unsigned layer = 1; layer < kAllLayers; layer <<= 1)
            EXPECT_NE(
                "", FirstDifference(whole, ReferenceFrame(format, 0, &emblem, kAllLayers & ~layer)))
                << "layer " << layer << ", format " << FormatNumber(format);
    }
}

}  // namespace
