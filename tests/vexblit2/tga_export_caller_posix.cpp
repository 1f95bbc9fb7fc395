// The caller's side of a failed vx_LoadTga elsewhere: a C++ exception derived
// from std::runtime_error.
#include <cstring>
#include <stdexcept>

#include "tga_export_caller.h"
#include "vexblit2/vexblit2.h"

void CallLoadTga(const char* fileName, void* pixels, uint8_t* alphaMap, uint16_t* width,
                 uint16_t* height, TgaCallResult* result) {
    std::memset(result, 0, sizeof *result);
    try {
        vx_LoadTga(fileName, pixels, alphaMap, width, height);
    } catch (const std::runtime_error& e) {
        result->Failed = 1;
        std::strncpy(result->Text, e.what(), sizeof result->Text - 1);
    }
}
