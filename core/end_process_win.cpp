#include <windows.h>

#include "core/end_process.h"

namespace selvane {

void EndProcess(int code) { ExitProcess(static_cast<UINT>(code)); }

}  // namespace selvane
