// Loads vexblit2.dll the way the game client does: LoadLibrary, GetProcAddress
// of every export, calls through stdcall pointers. In the 32-bit build the
// blits are called once more from a stack that is only 4-byte aligned, as a
// client built by another compiler may do.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "vexblit2/vexblit2.h"

namespace {

const char* const kExports[] = {"vx_Init",
                                "vx_Free",
                                "vx_CheckMMX_Bit16",
                                "vx_ARGB",
                                "vx_Normal_Blt",
                                "vx_Clipper_Blt",
                                "vx_Clipper_ColorKey_Blt",
                                "vx_Clipper_Alpha_ColorKey_Blt",
                                "vx_Clipper_BlackAlpha_ColorKey_Blt",
                                "vx_Clipper_LightAlpha_ColorKey_Blt",
                                "vx_Clipper_AlphaChannel_Blt",
                                "vx_Clipper_AlphaChannel_Blt2",
                                "vx_Clipper_Alpha_Fill",
                                "vx_Reduce_Blt",
                                "vx_Reduce_ColorKey_Blt",
                                "vx_LoadTga"};

struct Library {
    HMODULE Module = LoadLibraryW(L"vexblit2.dll");
    ~Library() {
        if (Module) FreeLibrary(Module);
    }
    template <class Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Module, name)));
    }
};

using InitFn = void(VX_CALL*)(uint32_t);
using FreeFn = void(VX_CALL*)();
using ArgbFn = uint32_t(VX_CALL*)(uint32_t, uint32_t, uint32_t, uint32_t);
using KeyedFn = void(VX_CALL*)(int32_t, int32_t, void*, const void*, int32_t, int32_t, int32_t,
                               int32_t, const vx_Rect*, uint32_t);
using MapFn = void(VX_CALL*)(int32_t, int32_t, void*, const void*, const uint8_t*, int32_t, int32_t,
                             int32_t, int32_t, const vx_Rect*);
using Map2Fn = void(VX_CALL*)(int32_t, int32_t, void*, const void*, const uint8_t*, int32_t,
                              int32_t, int32_t, int32_t, const vx_Rect*, uint32_t);
using FillFn = void(VX_CALL*)(int32_t, int32_t, void*, int32_t, int32_t, int32_t, int32_t, int32_t,
                              uint32_t, uint32_t);
using ReduceFn = void(VX_CALL*)(void*, const void*, int32_t, int32_t, const vx_Rect*,
                                const vx_Rect*);

TEST(Dll, ExportsEverythingUnderItsPlainName) {
    const Library lib;
    ASSERT_NE(nullptr, lib.Module);
    for (const char* name : kExports) EXPECT_NE(nullptr, lib.Get<void*>(name)) << name;
}

TEST(Dll, CallsThroughStdcallPointers) {
    const Library lib;
    ASSERT_NE(nullptr, lib.Module);
    lib.Get<InitFn>("vx_CheckMMX_Bit16")(0x10001);
    lib.Get<InitFn>("vx_Init")(0x15A5A);
    EXPECT_EQ(0xFF002A80u, lib.Get<ArgbFn>("vx_ARGB")(511, 256, 42, 128));
    // 40 pixels: every tier runs full vectors and a partial last group.
    std::vector<uint16_t> src(40, 0xFFFF), dest(41, 0);
    src[3] = 0x5A5A;  // the key
    const vx_Rect r{0, 0, 40, 1};
    lib.Get<KeyedFn>("vx_Clipper_Alpha_ColorKey_Blt")(40, 1, dest.data(), src.data(), 82, 80, 0, 0,
                                                      &r, 128);
    for (int x = 0; x < 40; ++x) EXPECT_EQ(x == 3 ? 0 : 0x7BEF, dest[size_t(x)]) << x;
    EXPECT_EQ(0, dest[40]);
    std::vector<uint8_t> map(40, 32);
    lib.Get<MapFn>("vx_Clipper_AlphaChannel_Blt")(40, 1, dest.data(), src.data(), map.data(), 82,
                                                  80, 0, 0, &r);
    EXPECT_EQ(0x5A5A, dest[3]);  // the alpha map, not the key, decides here
    lib.Get<FillFn>("vx_Clipper_Alpha_Fill")(40, 1, dest.data(), 82, 0, 0, 40, 1, 0xFF000000,
                                             0xDEADBEEF);
    EXPECT_EQ(0, dest[39]);
    const vx_Rect half{0, 0, 20, 1};
    lib.Get<ReduceFn>("vx_Reduce_Blt")(dest.data(), src.data(), 82, 80, &half, &r);
    EXPECT_EQ(0xFFFF, dest[0]);  // column i samples source column 2i + 1
    EXPECT_EQ(0x5A5A, dest[1]);
    EXPECT_EQ(0, dest[20]);
    lib.Get<FreeFn>("vx_Free")();
}

#if defined(__i386__)
// Pushes `count` 32-bit arguments and calls a stdcall function with the stack
// pointer 4 bytes past a 16-byte boundary at the call.
uint32_t CallMisaligned(void* fn, const uint32_t* args, uint32_t count) {
    uint32_t eax =
        (16 - (4 + 4 * count) % 16) % 16;  // padding that leaves esp = 16k + 4 at the call
    uint32_t ecx = count;
    const uint32_t* edx = args;
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "andl $-16, %%esp\n\t"
        "subl %%eax, %%esp\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%edx,%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%%edi\n\t"
        "movl %%esi, %%esp\n\t"
        : "+a"(eax), "+c"(ecx), "+d"(edx)
        : "D"(fn)
        : "esi", "memory", "cc");
    return eax;
}

uint32_t Arg(const void* p) { return uint32_t(reinterpret_cast<uintptr_t>(p)); }

TEST(Dll, BlitsFromAFourByteAlignedStack) {
    const Library lib;
    ASSERT_NE(nullptr, lib.Module);
    const uint32_t mode[] = {1};
    CallMisaligned(lib.Get<void*>("vx_CheckMMX_Bit16"), mode, 1);
    const uint32_t argb[] = {511, 256, 42, 128};
    EXPECT_EQ(0xFF002A80u, CallMisaligned(lib.Get<void*>("vx_ARGB"), argb, 4));
    std::vector<uint16_t> src(70), dest(70, 0x1234), expected(70, 0x1234);
    for (size_t i = 0; i < src.size(); ++i) src[i] = uint16_t(i * 977);
    const vx_Rect r{0, 0, 69, 1};
    for (const char* name : {"vx_Clipper_Alpha_ColorKey_Blt", "vx_Clipper_BlackAlpha_ColorKey_Blt",
                             "vx_Clipper_LightAlpha_ColorKey_Blt"}) {
        lib.Get<KeyedFn>(name)(69, 1, expected.data(), src.data(), 140, 140, 0, 0, &r, 20);
        const uint32_t args[] = {69,      1, Arg(dest.data()), Arg(src.data()), 140, 140, 0, 0,
                                 Arg(&r), 20};
        CallMisaligned(lib.Get<void*>(name), args, 10);
        EXPECT_EQ(expected, dest) << name;
    }
    std::vector<uint8_t> map(70, 17);
    lib.Get<Map2Fn>("vx_Clipper_AlphaChannel_Blt2")(69, 1, expected.data(), src.data(), map.data(),
                                                    140, 140, 0, 0, &r, 0xFF00FF00);
    const uint32_t args[] = {69, 1, Arg(dest.data()), Arg(src.data()), Arg(map.data()), 140, 140,
                             0,  0, Arg(&r),          0xFF00FF00};
    CallMisaligned(lib.Get<void*>("vx_Clipper_AlphaChannel_Blt2"), args, 11);
    EXPECT_EQ(expected, dest);
}
#endif

}  // namespace
