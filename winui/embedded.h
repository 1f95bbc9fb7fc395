#pragma once
// Pictures kept inside the program. Each is added to a target in CMake with
//   winui_embed_file(TARGET target SYMBOL name FILE picture.jpg)
// and declared where it is used with WINUI_EMBEDDED(name), which gives
// embedded::name (the bytes) and embedded::name_size.

#include <cstddef>

#define WINUI_EMBEDDED(name)              \
    namespace embedded {                  \
    extern const unsigned char name[];    \
    extern const std::size_t name##_size; \
    }
