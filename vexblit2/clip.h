#pragma once
// Clipping of the Clipper family and of the alpha fill, by the IntersectRect
// rule: an empty input or no overlap gives nothing to draw. Done in 64 bits so
// that extreme coordinates cannot overflow.

#include <cstdint>
#include <optional>

#include "vexblit2/vexblit2.h"

namespace vexblit2 {

// The part of a blit that is drawn: Width x Height pixels (both > 0) from
// source pixel (SrcX, SrcY) to destination pixel (DestX, DestY).
struct Visible {
    int64_t SrcX, SrcY, DestX, DestY, Width, Height;
};

// Source rectangle r drawn with its top-left pixel at (destX, destY) into a
// destination of destWidth x destHeight pixels.
std::optional<Visible> ClipToDest(const vx_Rect& r, int32_t destWidth, int32_t destHeight,
                                  int32_t destX, int32_t destY);

// A width x height fill at (x, y) in a destination of destWidth x destHeight.
// Only the Dest fields of the result are meaningful.
std::optional<Visible> ClipFill(int32_t destWidth, int32_t destHeight, int32_t x, int32_t y,
                                int32_t width, int32_t height);

}  // namespace vexblit2
