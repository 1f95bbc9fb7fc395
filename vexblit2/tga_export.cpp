// Stand-in until the TGA loader lands: it loads nothing.
#include "vexblit2/entry.h"
#include "vexblit2/state.h"
#include "vexblit2/vexblit2.h"

extern "C" VX_ENTRY VX_API void VX_CALL vx_LoadTga(const char*, void*, uint8_t*, int32_t*,
                                                   int32_t*) {}
