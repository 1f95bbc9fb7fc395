#pragma once
// The scene's pictures, drawn in code so that the sample needs no art files
// beside its one TGA. Integer arithmetic only: the same pixels on every
// compiler, which the tests rely on when they redraw a frame.

#include <cstdint>

#include "sample/picture.h"

namespace ostrel {

inline constexpr int kWorldWidth = 1280;  // wraps around horizontally
inline constexpr int kWorldHeight = 960;

// Magenta, never produced by the other pictures: their "nothing here" pixels.
inline uint16_t ColorKey(PixelFormat format) { return Pack(format, 255, 0, 255); }

// Terrain from two octaves of value noise: water, sand, grass, forest, rock, snow.
Picture MakeWorld(PixelFormat format);
// 32 x 32, a green blob with eyes, on the key.
Picture MakeSlime(PixelFormat format);
// 32 x 10, a black ellipse on the key: darkens what lies under a slime.
Picture MakeShadow(PixelFormat format);
// 32 x 40, a pale sheet with a wavy hem, on the key: drawn translucent.
Picture MakeGhost(PixelFormat format);
// 64 x 64, a warm radial falloff on the key: added to the scene as light.
Picture MakeGlow(PixelFormat format);

}  // namespace ostrel
