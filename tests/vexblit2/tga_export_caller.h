/* A caller of vx_LoadTga that catches its failure, written in C and built
 * apart from the library, the way a game client in any language would. */
#ifndef TGA_EXPORT_CALLER_H
#define TGA_EXPORT_CALLER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TgaCallResult {
    int Failed;      /* the call raised its failure */
    uint32_t Code;   /* exception code (Windows) */
    uint32_t Flags;  /* exception flags (Windows) */
    uint32_t Kind;   /* VX_TGA_CANNOT_OPEN, ... (Windows) */
    char Text[1024]; /* the failure's message text */
} TgaCallResult;

/* Calls vx_LoadTga; on Windows catches the structured exception it raises. */
void CallLoadTga(const char* fileName, void* pixels, uint8_t* alphaMap, uint16_t* width,
                 uint16_t* height, TgaCallResult* result);

#ifdef __cplusplus
}
#endif

#endif
