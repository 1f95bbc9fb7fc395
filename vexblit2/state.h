#pragma once
// The library's three process-wide values. Unguarded on purpose: the caller
// serialises changes of the key and format against the blits that read them.

#include <cstdint>
#include <memory>

#include "vexblit2/tga_loader.h"

namespace vexblit2 {

struct ProcessState {
    uint16_t ColorKey = 0;
    bool Format565 = false;  // clear: 555
    std::unique_ptr<TTgaLoader> CurrentLoader;
};

ProcessState& State();

}  // namespace vexblit2
