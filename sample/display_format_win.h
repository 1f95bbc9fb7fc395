#pragma once
// The pixel format the game draws in, chosen from the display mode the way
// 16-bit games always have: DirectDraw's description of the current mode
// gives its green mask, 0x07E0 for 565 and 0x03E0 for 555. At any other
// depth (or without DirectDraw) the frame is 565, which keeps the most green;
// GDI converts it on the way to the screen.

#include "sample/picture.h"

namespace ostrel {

struct DisplayFormat {
    int BitsPerPixel;    // of the display mode, 0 when unknown
    PixelFormat Format;  // what the client hands vx_CheckMMX_Bit16
};

DisplayFormat ChooseDisplayFormat();

}  // namespace ostrel
