#include "core/end_process.h"

#include <cstdio>
#include <cstdlib>

namespace selvane {

void EndProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace selvane
