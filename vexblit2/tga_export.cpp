// vx_LoadTga: the TGA loader behind the library boundary.
//
// Inside the library a failed load is a C++ exception. On Windows none may
// unwind into the caller, who may be built by any compiler: the export catches
// it, keeps its text in a static buffer and raises a structured exception from
// a frame that holds nothing to clean up, so a handler in the caller may unwind
// through us safely. Elsewhere the C++ exception itself reaches the caller.

#if defined(_WIN32)
#include <windows.h>
#endif

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "vexblit2/entry.h"
#include "vexblit2/state.h"
#include "vexblit2/tga_loader.h"
#include "vexblit2/vexblit2.h"

namespace {

using vexblit2::State;

void Load(const char* fileName, void* pixels, uint8_t* alphaMap, uint16_t* width,
          uint16_t* height) {
    vexblit2::TTgaLoader* loader = State().CurrentLoader.get();
    if (!loader) throw std::runtime_error("vx_LoadTga called without vx_Init");
    // Our own copy: the caller's name may live in memory the load overwrites.
    const std::string name = fileName ? fileName : "";
    if (State().Format565)
        loader->Load565(name.c_str(), pixels, alphaMap, width, height);
    else
        loader->Load555(name.c_str(), pixels, alphaMap, width, height);
}

#if defined(_WIN32)

// The last failure's text. It outlives the raise, so the caller's handler can
// read it; the next failed vx_LoadTga overwrites it.
char g_FailureText[2048];

// Runs the load and returns 0, or the failure kind with its text stored.
// Kept out of line so that the export's own frame has no handler tables for
// the caller's unwinding to consult.
__attribute__((noinline)) uint32_t LoadCatching(const char* fileName, void* pixels,
                                                uint8_t* alphaMap, uint16_t* width,
                                                uint16_t* height) noexcept {
    const char* text = "unknown failure";
    uint32_t kind = VX_TGA_OTHER_ERROR;
    try {
        Load(fileName, pixels, alphaMap, width, height);
        return 0;
    } catch (const vexblit2::TgaError& e) {
        text = e.what();
        kind = e.ErrorKind == vexblit2::TgaError::Kind::CannotOpen ? VX_TGA_CANNOT_OPEN
                                                                   : VX_TGA_PALETTE_ERROR;
        std::snprintf(g_FailureText, sizeof g_FailureText, "%s", text);
    } catch (const std::exception& e) {  // out of memory for the file image
        std::snprintf(g_FailureText, sizeof g_FailureText, "%s", e.what());
    } catch (...) {
        std::snprintf(g_FailureText, sizeof g_FailureText, "%s", text);
    }
    return kind;
}

#endif

}  // namespace

extern "C" VX_API VX_ENTRY void VX_CALL vx_LoadTga(const char* FileName, void* Pixels,
                                                   uint8_t* AlphaMap, uint16_t* Width,
                                                   uint16_t* Height) {
#if defined(_WIN32)
    const uint32_t kind = LoadCatching(FileName, Pixels, AlphaMap, Width, Height);
    if (kind != 0) {
        const ULONG_PTR info[2] = {reinterpret_cast<ULONG_PTR>(g_FailureText), kind};
        RaiseException(VX_TGA_EXCEPTION, EXCEPTION_NONCONTINUABLE, 2, info);
    }
#else
    Load(FileName, Pixels, AlphaMap, Width, Height);
#endif
}
