#pragma once
// Placeholder until the TGA loader lands: the frame only needs the type.

namespace vexblit2 {

class TTgaLoader {};

}  // namespace vexblit2
