#include "sample/vexblit2_dll_win.h"

#include <stdexcept>
#include <string>

namespace ostrel {

VexBlit2Dll::VexBlit2Dll(const wchar_t* fileName) : module_(LoadLibraryW(fileName)) {
    if (!module_)
        throw std::runtime_error("vexblit2.dll cannot be loaded (error " +
                                 std::to_string(GetLastError()) + ")");
    try {
        Bind(api_.vx_Init, "vx_Init");
        Bind(api_.vx_Free, "vx_Free");
        Bind(api_.vx_CheckMMX_Bit16, "vx_CheckMMX_Bit16");
        Bind(api_.vx_ARGB, "vx_ARGB");
        Bind(api_.vx_Normal_Blt, "vx_Normal_Blt");
        Bind(api_.vx_Clipper_Blt, "vx_Clipper_Blt");
        Bind(api_.vx_Clipper_ColorKey_Blt, "vx_Clipper_ColorKey_Blt");
        Bind(api_.vx_Clipper_Alpha_ColorKey_Blt, "vx_Clipper_Alpha_ColorKey_Blt");
        Bind(api_.vx_Clipper_BlackAlpha_ColorKey_Blt, "vx_Clipper_BlackAlpha_ColorKey_Blt");
        Bind(api_.vx_Clipper_LightAlpha_ColorKey_Blt, "vx_Clipper_LightAlpha_ColorKey_Blt");
        Bind(api_.vx_Clipper_AlphaChannel_Blt, "vx_Clipper_AlphaChannel_Blt");
        Bind(api_.vx_Clipper_AlphaChannel_Blt2, "vx_Clipper_AlphaChannel_Blt2");
        Bind(api_.vx_Clipper_Alpha_Fill, "vx_Clipper_Alpha_Fill");
        Bind(api_.vx_Reduce_Blt, "vx_Reduce_Blt");
        Bind(api_.vx_Reduce_ColorKey_Blt, "vx_Reduce_ColorKey_Blt");
        Bind(api_.vx_LoadTga, "vx_LoadTga");
    } catch (...) {
        FreeLibrary(module_);
        throw;
    }
}

VexBlit2Dll::~VexBlit2Dll() { FreeLibrary(module_); }

template <class Function>
void VexBlit2Dll::Bind(Function& slot, const char* name) {
    FARPROC address = GetProcAddress(module_, name);
    if (!address) throw std::runtime_error(std::string("vexblit2.dll has no export ") + name);
    // Through void*: the export's real type is the one the slot declares.
    slot = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

}  // namespace ostrel
