#include "sample/display_format_win.h"

#include <windows.h>

#include <ddraw.h>

namespace ostrel {

// Not from GDI: a bitmap compatible with a 16-bit screen does not always
// describe the mode; some systems call it 555 whatever the display runs at.
DisplayFormat ChooseDisplayFormat() {
    DisplayFormat display{0, PixelFormat::Rgb565};
    IDirectDraw* directDraw = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &directDraw, nullptr))) return display;
    DDSURFACEDESC mode{};
    mode.dwSize = sizeof mode;
    if (SUCCEEDED(directDraw->GetDisplayMode(&mode)) && (mode.ddpfPixelFormat.dwFlags & DDPF_RGB)) {
        display.BitsPerPixel = int(mode.ddpfPixelFormat.dwRGBBitCount);
        if (display.BitsPerPixel == 16 && mode.ddpfPixelFormat.dwGBitMask == 0x03E0)
            display.Format = PixelFormat::Rgb555;
    }
    directDraw->Release();
    return display;
}

}  // namespace ostrel
