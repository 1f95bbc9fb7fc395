#pragma once
// Marks the definition of an export. The caller may be built by any compiler
// and only guarantees the 4-byte stack alignment of 32-bit Windows; the SIMD
// tiers (and any SSE code the compiler emits) want 16, so every export
// realigns the stack on entry there.

#if defined(_WIN32) && defined(__i386__)
#define VX_ENTRY __attribute__((force_align_arg_pointer))
#else
#define VX_ENTRY
#endif
