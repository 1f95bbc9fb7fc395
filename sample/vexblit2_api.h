#pragma once
// The drawing library as the client sees it: one typed pointer per export,
// filled by name at run time (vexblit2_api_win.cpp), so the client needs
// neither an import library nor the compiler the DLL was built with. Every
// pointer carries the library's calling convention (stdcall on 32-bit Windows).

#include <cstdint>

#include "vexblit2/vexblit2.h"

namespace ostrel {

struct VexBlit2Api {
    void(VX_CALL* vx_Init)(uint32_t ColorKey);
    void(VX_CALL* vx_Free)();
    void(VX_CALL* vx_CheckMMX_Bit16)(uint32_t Mode);
    uint32_t(VX_CALL* vx_ARGB)(uint32_t Alpha, uint32_t Red, uint32_t Green, uint32_t Blue);
    void(VX_CALL* vx_Normal_Blt)(void* Dest, const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                 int32_t DestX, int32_t DestY, const vx_Rect* SrcRect);
    void(VX_CALL* vx_Clipper_Blt)(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                  const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                  int32_t DestX, int32_t DestY, const vx_Rect* SrcRect);
    void(VX_CALL* vx_Clipper_ColorKey_Blt)(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                           const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                           int32_t DestX, int32_t DestY, const vx_Rect* SrcRect);
    void(VX_CALL* vx_Clipper_Alpha_ColorKey_Blt)(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                                 const void* Src, int32_t DestPitch,
                                                 int32_t SrcPitch, int32_t DestX, int32_t DestY,
                                                 const vx_Rect* SrcRect, uint32_t Alpha);
    void(VX_CALL* vx_Clipper_BlackAlpha_ColorKey_Blt)(int32_t DestWidth, int32_t DestHeight,
                                                      void* Dest, const void* Src,
                                                      int32_t DestPitch, int32_t SrcPitch,
                                                      int32_t DestX, int32_t DestY,
                                                      const vx_Rect* SrcRect, uint32_t Alpha);
    void(VX_CALL* vx_Clipper_LightAlpha_ColorKey_Blt)(int32_t DestWidth, int32_t DestHeight,
                                                      void* Dest, const void* Src,
                                                      int32_t DestPitch, int32_t SrcPitch,
                                                      int32_t DestX, int32_t DestY,
                                                      const vx_Rect* SrcRect, uint32_t Alpha);
    void(VX_CALL* vx_Clipper_AlphaChannel_Blt)(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                               const void* Src, const uint8_t* AlphaMap,
                                               int32_t DestPitch, int32_t SrcPitch, int32_t DestX,
                                               int32_t DestY, const vx_Rect* SrcRect);
    void(VX_CALL* vx_Clipper_AlphaChannel_Blt2)(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                                const void* Src, const uint8_t* AlphaMap,
                                                int32_t DestPitch, int32_t SrcPitch, int32_t DestX,
                                                int32_t DestY, const vx_Rect* SrcRect,
                                                uint32_t Color);
    void(VX_CALL* vx_Clipper_Alpha_Fill)(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                         int32_t DestPitch, int32_t X, int32_t Y, int32_t Width,
                                         int32_t Height, uint32_t Color, uint32_t Reserved);
    void(VX_CALL* vx_Reduce_Blt)(void* Dest, const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                 const vx_Rect* DestRect, const vx_Rect* SrcRect);
    void(VX_CALL* vx_Reduce_ColorKey_Blt)(void* Dest, const void* Src, int32_t DestPitch,
                                          int32_t SrcPitch, const vx_Rect* DestRect,
                                          const vx_Rect* SrcRect);
    void(VX_CALL* vx_LoadTga)(const char* FileName, void* Pixels, uint8_t* AlphaMap,
                              uint16_t* Width, uint16_t* Height);
};

}  // namespace ostrel
