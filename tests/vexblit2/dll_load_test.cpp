// Loads vexblit2.dll the way the game client does: LoadLibrary, GetProcAddress
// of every export, calls through stdcall pointers. In the 32-bit build every
// export is called once more from stacks that are only 4-byte aligned, as a
// client built by another compiler may do, measuring what each pops.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
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
struct StackCall {
    uint32_t Eax;
    uint32_t Popped;  // bytes the callee took off the stack; stdcall: all its arguments
};

// Pushes `count` 32-bit arguments and calls `fn` with the stack pointer
// `offset` bytes past a 16-byte boundary at the call. The stack pointer from
// before the pushes is kept in ebx, which every callee preserves, so the bytes
// the callee popped are measured rather than papered over by the restore.
StackCall CallFromStack(void* fn, const uint32_t* args, uint32_t count, uint32_t offset) {
    uint32_t eax = (16 - (offset + 4 * count) % 16) % 16;  // padding below the arguments
    uint32_t ecx = count;
    const uint32_t* edx = args;
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "andl $-16, %%esp\n\t"
        "subl %%eax, %%esp\n\t"
        "movl %%esp, %%ebx\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%edx,%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%%edi\n\t"
        "movl %%ebx, %%ecx\n\t"
        "subl %%esp, %%ecx\n\t"  // bytes the callee left on the stack
        "movl %%esi, %%esp\n\t"
        : "+a"(eax), "+c"(ecx), "+d"(edx)
        : "D"(fn)
        : "ebx", "esi", "memory", "cc");
    return {eax, 4 * count - ecx};
}

uint32_t Arg(const void* p) { return uint32_t(reinterpret_cast<uintptr_t>(p)); }

uint32_t __cdecl PopsNothing(uint32_t a) { return a + 1; }
uint32_t __stdcall PopsTwoArguments(uint32_t a, uint32_t b) { return a + b; }

TEST(Dll, StackCheckMeasuresWhatTheCalleePopped) {
    const uint32_t args[] = {1, 2, 3};
    const struct {
        void* Fn;
        uint32_t Count, Popped;
    } cases[] = {
        {reinterpret_cast<void*>(&PopsTwoArguments), 2, 8},  // right
        {reinterpret_cast<void*>(&PopsNothing), 1, 0},       // cdecl taken for stdcall
        {reinterpret_cast<void*>(&PopsTwoArguments), 3, 8},  // one argument too many
    };
    for (const auto& c : cases)
        for (uint32_t offset : {0u, 4u})
            EXPECT_EQ(c.Popped, CallFromStack(c.Fn, args, c.Count, offset).Popped)
                << c.Count << " " << offset;
}

// Every export, called from a stack at each 4-byte offset from a 16-byte
// boundary, as a client built by another compiler may do: each pops exactly
// its arguments and gives what it gives from an aligned stack.
TEST(Dll, EveryExportWorksFromAnyFourByteAlignedStack) {
    const Library lib;
    ASSERT_NE(nullptr, lib.Module);
    constexpr int kW = 69, kH = 2, kPitch = 140;  // bytes; a partial last vector
    std::vector<uint16_t> src(70 * 3), dest(70 * 3);
    for (size_t i = 0; i < src.size(); ++i) src[i] = uint16_t(i * 977);
    src[5] = 0x5A5A;  // the key
    std::vector<uint8_t> map(70 * 3), alpha(70 * 3);
    for (size_t i = 0; i < map.size(); ++i) map[i] = uint8_t(i * 7);
    const vx_Rect r{0, 0, kW, kH}, half{0, 0, kW / 2, kH};
    uint16_t w = 0, h = 0;
    // 2 x 1, 24-bit, top-down
    const uint8_t tga[] = {0, 0, 2, 0, 0,  0,    0,    0,    0, 0, 0, 0,
                           2, 0, 1, 0, 24, 0x20, 0xFF, 0x80, 0, 0, 0, 0xFF};
    char tgaName[MAX_PATH], dir[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, dir));
    ASSERT_NE(0u, GetTempFileNameA(dir, "vxs", 0, tgaName));
    {
        FILE* f = fopen(tgaName, "wb");
        ASSERT_NE(nullptr, f);
        fwrite(tga, 1, sizeof tga, f);
        fclose(f);
    }
    const uint32_t D = Arg(dest.data()), S = Arg(src.data()), M = Arg(map.data());
    const struct {
        const char* Name;
        std::vector<uint32_t> Args;
    } calls[] = {
        {"vx_CheckMMX_Bit16", {0x10001}},
        {"vx_Init", {0x5A5A}},
        {"vx_ARGB", {511, 256, 42, 128}},
        {"vx_Normal_Blt", {D, S, kPitch, kPitch, 1, 0, Arg(&r)}},
        {"vx_Clipper_Blt", {kW, kH, D, S, kPitch, kPitch, 0, 0, Arg(&r)}},
        {"vx_Clipper_ColorKey_Blt", {kW, kH, D, S, kPitch, kPitch, 0, 0, Arg(&r)}},
        {"vx_Clipper_Alpha_ColorKey_Blt", {kW, kH, D, S, kPitch, kPitch, 0, 0, Arg(&r), 20}},
        {"vx_Clipper_BlackAlpha_ColorKey_Blt", {kW, kH, D, S, kPitch, kPitch, 0, 0, Arg(&r), 20}},
        {"vx_Clipper_LightAlpha_ColorKey_Blt", {kW, kH, D, S, kPitch, kPitch, 0, 0, Arg(&r), 20}},
        {"vx_Clipper_AlphaChannel_Blt", {kW, kH, D, S, M, kPitch, kPitch, 0, 0, Arg(&r)}},
        {"vx_Clipper_AlphaChannel_Blt2",
         {kW, kH, D, S, M, kPitch, kPitch, 0, 0, Arg(&r), 0xFF00FF00}},
        {"vx_Clipper_Alpha_Fill", {kW, kH, D, kPitch, 1, 0, 60, 2, 0x80FF8040, 0}},
        {"vx_Reduce_Blt", {D, S, kPitch, kPitch, Arg(&half), Arg(&r)}},
        {"vx_Reduce_ColorKey_Blt", {D, S, kPitch, kPitch, Arg(&half), Arg(&r)}},
        {"vx_LoadTga", {Arg(tgaName), D, Arg(alpha.data()), Arg(&w), Arg(&h)}},
        {"vx_Free", {}},
    };
    ASSERT_EQ(std::size(kExports), std::size(calls));
    for (const auto& call : calls) {
        SCOPED_TRACE(call.Name);
        void* const fn = lib.Get<void*>(call.Name);
        ASSERT_NE(nullptr, fn);
        const auto count = uint32_t(call.Args.size());
        const auto reset = [&] {
            std::fill(dest.begin(), dest.end(), uint16_t(0x1234));
            std::fill(alpha.begin(), alpha.end(), uint8_t(0xBB));
        };
        reset();
        const StackCall aligned = CallFromStack(fn, call.Args.data(), count, 0);
        EXPECT_EQ(4 * count, aligned.Popped);
        const std::vector<uint16_t> expected = dest;
        const std::vector<uint8_t> expectedAlpha = alpha;
        for (uint32_t offset : {4u, 8u, 12u}) {
            reset();
            const StackCall c = CallFromStack(fn, call.Args.data(), count, offset);
            EXPECT_EQ(4 * count, c.Popped) << offset;
            EXPECT_EQ(expected, dest) << offset;
            EXPECT_EQ(expectedAlpha, alpha) << offset;
            if (call.Name == std::string("vx_ARGB")) {
                EXPECT_EQ(0xFF002A80u, c.Eax);
            }
        }
    }
    EXPECT_EQ(2, w);
    EXPECT_EQ(1, h);
    DeleteFileA(tgaName);
}
#endif

}  // namespace
