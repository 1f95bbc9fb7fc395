/*
 * vexblit2 — 16-bit blits between caller-owned pixel buffers, and a TGA loader.
 *
 * On 32-bit Windows ("vexblit2.dll") every export is __stdcall, exported under
 * its undecorated name, and every parameter is one 32-bit argument. Elsewhere
 * ("libvexblit2.so", and the 64-bit Windows test build) the exports use C
 * linkage and the platform's default convention, with native pointers.
 *
 * Pixels are 16-bit little-endian, 565 or 555 (see vx_CheckMMX_Bit16). A buffer
 * is the address of its pixel (0,0) and a signed pitch in bytes. Rectangles are
 * four int32_t: left, top, right, bottom, with right and bottom exclusive. The
 * caller owns every buffer, alpha map and rectangle it passes.
 *
 * The blits never allocate, never fail and return nothing. The Clipper family
 * writes only inside columns 0..DestWidth-1 and rows 0..DestHeight-1 of the
 * destination; vx_Normal_Blt and the Reduce blits clip nothing, so the caller
 * keeps both rectangles inside their buffers. Only the low 16 bits of
 * ColorKey, Mode and Alpha count, and only the low 8 of each vx_ARGB argument.
 *
 * Strengths: Alpha of the translucent and brightening blits is limited to 256,
 * of the darkening blit to 32; alpha-map bytes and the alpha of a packed colour
 * for AlphaChannel_Blt2 count in 32nds (0 keeps the destination, 32 the
 * source); vx_Clipper_Alpha_Fill uses the colour's whole alpha byte (255 puts
 * the colour). The alpha map is addressed in source coordinates with a row
 * pitch of SrcPitch / 2 bytes.
 *
 * The colour key (vx_Init) and the pixel format (vx_CheckMMX_Bit16) are
 * process-wide and unguarded: do not change them while another thread blits.
 */
#ifndef VEXBLIT2_H
#define VEXBLIT2_H

#include <stdint.h>

#if defined(_WIN32)
#define VX_CALL __stdcall
#if defined(VEXBLIT2_STATIC)
#define VX_API /* linked in directly (the library's own tests and benchmarks) */
#elif defined(VEXBLIT2_BUILDING)
#define VX_API __declspec(dllexport)
#else
#define VX_API __declspec(dllimport)
#endif
#else
#define VX_CALL
#define VX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct vx_Rect {
    int32_t left, top, right, bottom;
} vx_Rect;

VX_API void VX_CALL vx_Init(uint32_t ColorKey);
VX_API void VX_CALL vx_Free(void);
VX_API void VX_CALL vx_CheckMMX_Bit16(uint32_t Mode);
VX_API uint32_t VX_CALL vx_ARGB(uint32_t Alpha, uint32_t Red, uint32_t Green, uint32_t Blue);

VX_API void VX_CALL vx_Normal_Blt(void* Dest, const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                  int32_t DestX, int32_t DestY, const vx_Rect* SrcRect);
VX_API void VX_CALL vx_Clipper_Blt(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                   const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                   int32_t DestX, int32_t DestY, const vx_Rect* SrcRect);
VX_API void VX_CALL vx_Clipper_ColorKey_Blt(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                            const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                            int32_t DestX, int32_t DestY, const vx_Rect* SrcRect);
VX_API void VX_CALL vx_Clipper_Alpha_ColorKey_Blt(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                                  const void* Src, int32_t DestPitch,
                                                  int32_t SrcPitch, int32_t DestX, int32_t DestY,
                                                  const vx_Rect* SrcRect, uint32_t Alpha);
VX_API void VX_CALL vx_Clipper_BlackAlpha_ColorKey_Blt(int32_t DestWidth, int32_t DestHeight,
                                                       void* Dest, const void* Src,
                                                       int32_t DestPitch, int32_t SrcPitch,
                                                       int32_t DestX, int32_t DestY,
                                                       const vx_Rect* SrcRect, uint32_t Alpha);
VX_API void VX_CALL vx_Clipper_LightAlpha_ColorKey_Blt(int32_t DestWidth, int32_t DestHeight,
                                                       void* Dest, const void* Src,
                                                       int32_t DestPitch, int32_t SrcPitch,
                                                       int32_t DestX, int32_t DestY,
                                                       const vx_Rect* SrcRect, uint32_t Alpha);
VX_API void VX_CALL vx_Clipper_AlphaChannel_Blt(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                                const void* Src, const uint8_t* AlphaMap,
                                                int32_t DestPitch, int32_t SrcPitch, int32_t DestX,
                                                int32_t DestY, const vx_Rect* SrcRect);
VX_API void VX_CALL vx_Clipper_AlphaChannel_Blt2(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                                 const void* Src, const uint8_t* AlphaMap,
                                                 int32_t DestPitch, int32_t SrcPitch, int32_t DestX,
                                                 int32_t DestY, const vx_Rect* SrcRect,
                                                 uint32_t Color);
VX_API void VX_CALL vx_Clipper_Alpha_Fill(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                          int32_t DestPitch, int32_t X, int32_t Y, int32_t Width,
                                          int32_t Height, uint32_t Color, uint32_t Reserved);
VX_API void VX_CALL vx_Reduce_Blt(void* Dest, const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                  const vx_Rect* DestRect, const vx_Rect* SrcRect);
VX_API void VX_CALL vx_Reduce_ColorKey_Blt(void* Dest, const void* Src, int32_t DestPitch,
                                           int32_t SrcPitch, const vx_Rect* DestRect,
                                           const vx_Rect* SrcRect);
/*
 * vx_LoadTga writes the image's width and height to the two 16-bit variables
 * first, then 2 x width x height bytes of pixels and width x height alpha bytes
 * (0..31), top row first. It returns nothing; a failure is raised:
 *  - Windows: a structured exception (RaiseException), non-continuable, code
 *    VX_TGA_EXCEPTION, two parameters: ExceptionInformation[0] is the address
 *    of the null-terminated message text ("Cannot open file <name>", or
 *    "Tga file pallete error ! (ReadTga, line 565)" / "... line 871)"), owned
 *    by the library and valid until the next vx_LoadTga; [1] is the kind,
 *    VX_TGA_CANNOT_OPEN, VX_TGA_PALETTE_ERROR or VX_TGA_OTHER_ERROR (no loader:
 *    vx_Init not called; or no memory for the file). Catch it
 *    with __try/__except or any handler of the platform's exception chain; the
 *    library's frames hold nothing to clean up. Uncaught, it ends the process.
 *  - elsewhere: a C++ exception derived from std::runtime_error, what() is the
 *    message text; from C, where it cannot be caught, it ends the process.
 * The loader stays usable after a failure.
 */
#define VX_TGA_EXCEPTION 0xE0544741u /* 0xE0 'T' 'G' 'A' */
#define VX_TGA_CANNOT_OPEN 1
#define VX_TGA_PALETTE_ERROR 2
#define VX_TGA_OTHER_ERROR 3
VX_API void VX_CALL vx_LoadTga(const char* FileName, void* Pixels, uint8_t* AlphaMap,
                               uint16_t* Width, uint16_t* Height);

#ifdef __cplusplus
}
#endif

#endif /* VEXBLIT2_H */
