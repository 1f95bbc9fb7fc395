#include "sample/scene.h"

#include <iterator>

#include "sample/artwork.h"

namespace ostrel {
namespace {

constexpr int kMinimapScale = 8;
constexpr int kMinimapWidth = kWorldWidth / kMinimapScale;    // 160
constexpr int kMinimapHeight = kWorldHeight / kMinimapScale;  // 120
constexpr int kMinimapX = kFrameWidth - 16 - kMinimapWidth;
constexpr int kMinimapY = kPanelHeight + 12;
constexpr int kMarkSize = 8;
constexpr int kEmblemMargin = 16;

struct Point {
    int X, Y;
};

// Where the slimes sit in the world. Markers on the minimap must stay inside
// it, so none is closer than kMarkSize * kMinimapScale / 2 to the world's edge.
constexpr Point kSlimeHomes[] = {{180, 300}, {420, 150},  {610, 400}, {760, 520},
                                 {900, 260}, {1100, 700}, {300, 820}, {40, 420}};

// 0, 1, ..., amplitude, amplitude - 1, ..., 1, 0, 1, ...
int Triangle(uint32_t t, int amplitude) {
    const int phase = int(t % uint32_t(2 * amplitude));
    return phase <= amplitude ? phase : 2 * amplitude - phase;
}

Point CameraAt(uint32_t frame) {
    return {int(frame * 2 % kWorldWidth), Triangle(frame, kWorldHeight - kFrameHeight)};
}

// The frame column of a world column, on the copy of the wrapping world that
// is in view or just left of it.
int ScreenX(int worldX, int cameraX) {
    int x = ((worldX - cameraX) % kWorldWidth + kWorldWidth) % kWorldWidth;
    if (x > kWorldWidth - 2 * kFrameWidth / 10) x -= kWorldWidth;
    return x;
}

}  // namespace

SceneArt StartScene(const VexBlit2Api& vx, PixelFormat format) {
    vx.vx_CheckMMX_Bit16(FormatMode(format));
    vx.vx_Init(ColorKey(format));
    SceneArt art;
    art.Format = format;
    art.World = MakeWorld(format);
    art.Slime = MakeSlime(format);
    art.Shadow = MakeShadow(format);
    art.Ghost = MakeGhost(format);
    art.Glow = MakeGlow(format);
    // The minimap never changes: reduce the world once, copy it every frame.
    art.Minimap = Picture(kMinimapWidth, kMinimapHeight);
    const vx_Rect mapRect = art.Minimap.Bounds(), worldRect = art.World.Bounds();
    vx.vx_Reduce_Blt(art.Minimap.Pixels.data(), art.World.Pixels.data(), art.Minimap.Pitch(),
                     art.World.Pitch(), &mapRect, &worldRect);
    return art;
}

void ComposeFrame(const VexBlit2Api& vx, const SceneArt& art, const AlphaPicture* emblem,
                  uint32_t frame, const Surface& target, unsigned layers) {
    void* const frameBits = target.Pixels;
    const int32_t pitch = target.Pitch;
    const int w = target.Width, h = target.Height;
    const Point camera = CameraAt(frame);

    if (layers & kBackground) {
        // The world wraps: its copy to the right fills the view past the seam;
        // clipping drops whichever copy is out of sight.
        const vx_Rect world = art.World.Bounds();
        for (int copyX : {-camera.X, kWorldWidth - camera.X})
            vx.vx_Clipper_Blt(w, h, frameBits, art.World.Pixels.data(), pitch, art.World.Pitch(),
                              copyX, -camera.Y, &world);
    }

    // Slimes hop in place; their shadows stay on the ground.
    const vx_Rect shadowRect = art.Shadow.Bounds(), slimeRect = art.Slime.Bounds();
    for (size_t i = 0; i < std::size(kSlimeHomes); ++i) {
        const int x = ScreenX(kSlimeHomes[i].X, camera.X), y = kSlimeHomes[i].Y - camera.Y;
        if (layers & kShadows)
            vx.vx_Clipper_BlackAlpha_ColorKey_Blt(w, h, frameBits, art.Shadow.Pixels.data(), pitch,
                                                  art.Shadow.Pitch(), x, y + 25, &shadowRect, 12);
        if (layers & kSlimes) {
            const int hop = Triangle(frame + uint32_t(i) * 5, 6);
            vx.vx_Clipper_ColorKey_Blt(w, h, frameBits, art.Slime.Pixels.data(), pitch,
                                       art.Slime.Pitch(), x, y - hop, &slimeRect);
        }
    }

    // The ghost drifts over the scene with a flickering light around it.
    const int ghostX = 140 + Triangle(frame * 2, 300), ghostY = 90 + Triangle(frame, 60);
    if (layers & kLight) {
        const vx_Rect glow = art.Glow.Bounds();
        vx.vx_Clipper_LightAlpha_ColorKey_Blt(w, h, frameBits, art.Glow.Pixels.data(), pitch,
                                              art.Glow.Pitch(), ghostX - 16, ghostY - 12, &glow,
                                              uint32_t(24 + Triangle(frame * 3, 16)));
    }
    if (layers & kGhost) {
        const vx_Rect ghost = art.Ghost.Bounds();
        vx.vx_Clipper_Alpha_ColorKey_Blt(w, h, frameBits, art.Ghost.Pixels.data(), pitch,
                                         art.Ghost.Pitch(), ghostX, ghostY, &ghost,
                                         uint32_t(96 + Triangle(frame * 4, 96)));
    }

    if (emblem != nullptr) {
        const Picture& image = emblem->Image;
        const vx_Rect rect = image.Bounds();
        const int y = h - kEmblemMargin - image.Height;
        if (layers & kEmblem)
            vx.vx_Clipper_AlphaChannel_Blt(w, h, frameBits, image.Pixels.data(),
                                           emblem->Alpha.data(), pitch, image.Pitch(),
                                           kEmblemMargin, y, &rect);
        if (layers & kTintedEmblem) {
            const int swing = Triangle(frame * 4, 127);
            const uint32_t tint = vx.vx_ARGB(176, 128 + uint32_t(swing), 96, 255 - uint32_t(swing));
            vx.vx_Clipper_AlphaChannel_Blt2(w, h, frameBits, image.Pixels.data(),
                                            emblem->Alpha.data(), pitch, image.Pitch(),
                                            2 * kEmblemMargin + image.Width, y, &rect, tint);
        }
    }

    if (layers & kPanel)
        vx.vx_Clipper_Alpha_Fill(w, h, frameBits, pitch, 0, 0, w, kPanelHeight,
                                 vx.vx_ARGB(160, 8, 16, 40), 0);

    if (layers & kMinimap) {
        vx.vx_Clipper_Alpha_Fill(w, h, frameBits, pitch, kMinimapX - 2, kMinimapY - 2,
                                 kMinimapWidth + 4, kMinimapHeight + 4,
                                 vx.vx_ARGB(255, 200, 170, 90), 0);
        const vx_Rect map = art.Minimap.Bounds();
        vx.vx_Normal_Blt(frameBits, art.Minimap.Pixels.data(), pitch, art.Minimap.Pitch(),
                         kMinimapX, kMinimapY, &map);
    }
    if (layers & kMinimapMarks) {
        // The minimap as a buffer of its own inside the frame, so that the
        // view marker is clipped to it, and drawn twice across the seam.
        void* map = target.At(kMinimapX, kMinimapY);
        for (int copyX : {camera.X / kMinimapScale, camera.X / kMinimapScale - kMinimapWidth})
            vx.vx_Clipper_Alpha_Fill(kMinimapWidth, kMinimapHeight, map, pitch, copyX,
                                     camera.Y / kMinimapScale, kFrameWidth / kMinimapScale,
                                     kFrameHeight / kMinimapScale, vx.vx_ARGB(96, 255, 255, 255),
                                     0);
        for (const Point& slime : kSlimeHomes) {
            const int x = kMinimapX + slime.X / kMinimapScale - kMarkSize / 2;
            const int y = kMinimapY + slime.Y / kMinimapScale - kMarkSize / 2;
            const vx_Rect mark{x, y, x + kMarkSize, y + kMarkSize};
            vx.vx_Reduce_ColorKey_Blt(frameBits, art.Slime.Pixels.data(), pitch, art.Slime.Pitch(),
                                      &mark, &slimeRect);
        }
    }
}

}  // namespace ostrel
