#pragma once
// One frame of the sample: a scrolling world, sprites with shadows, a
// translucent ghost carrying a light, the TGA emblem plain and tinted, a
// panel for the status text and a minimap. Everything is drawn through the
// library's exports; the frame number alone decides where things are, so a
// frame can be drawn again elsewhere and compared pixel for pixel.

#include <cstdint>
#include <optional>

#include "sample/picture.h"
#include "sample/vexblit2_api.h"

namespace ostrel {

inline constexpr int kFrameWidth = 640;
inline constexpr int kFrameHeight = 480;
// The panel at the top of the frame that the status text is written on.
inline constexpr int kPanelHeight = 44;

// What each part of the frame is drawn with; ComposeFrame can leave any out.
enum Layer : unsigned {
    kBackground = 1u << 0,    // vx_Clipper_Blt, twice where the world wraps
    kShadows = 1u << 1,       // vx_Clipper_BlackAlpha_ColorKey_Blt
    kSlimes = 1u << 2,        // vx_Clipper_ColorKey_Blt
    kLight = 1u << 3,         // vx_Clipper_LightAlpha_ColorKey_Blt
    kGhost = 1u << 4,         // vx_Clipper_Alpha_ColorKey_Blt
    kEmblem = 1u << 5,        // vx_Clipper_AlphaChannel_Blt
    kTintedEmblem = 1u << 6,  // vx_Clipper_AlphaChannel_Blt2
    kPanel = 1u << 7,         // vx_Clipper_Alpha_Fill
    kMinimap = 1u << 8,       // vx_Normal_Blt of the map vx_Reduce_Blt made once
    kMinimapMarks = 1u << 9,  // vx_Reduce_ColorKey_Blt, vx_Clipper_Alpha_Fill
    kAllLayers = (1u << 10) - 1,
};

// The pictures of the scene in one pixel format.
struct SceneArt {
    PixelFormat Format = PixelFormat::Rgb565;
    Picture World, Minimap, Slime, Shadow, Ghost, Glow;
};

// Sets the library's pixel format and colour key (vx_CheckMMX_Bit16, vx_Init)
// and draws the scene's pictures, the minimap reduced from the world. Call once
// before ComposeFrame and before vx_LoadTga.
SceneArt StartScene(const VexBlit2Api& vx, PixelFormat format);

// Draws frame `frame` into `target`, which is kFrameWidth x kFrameHeight.
// Without an emblem (its TGA failed to load) the two emblem layers are skipped.
void ComposeFrame(const VexBlit2Api& vx, const SceneArt& art, const AlphaPicture* emblem,
                  uint32_t frame, const Surface& target, unsigned layers = kAllLayers);

}  // namespace ostrel
