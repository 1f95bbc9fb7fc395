#pragma once
// vx_LoadTga with its failure caught: the library raises a structured
// exception when a file cannot be loaded, and the client carries on without
// the picture, showing the library's text.

#include <optional>
#include <string>

#include "sample/picture.h"
#include "sample/vexblit2_api.h"

namespace ostrel {

// The largest picture the client takes, on each side: the buffers are this
// big, since vx_LoadTga learns the size only while it writes.
inline constexpr int kMaxTgaSide = 512;

struct TgaLoadResult {
    std::optional<AlphaPicture> Picture;
    std::string Failure;  // in the system code page; empty on success
};

// fileName is in the system code page, as vx_LoadTga takes it. The library
// must have been started (vx_Init). Not reentrant: the library has one loader.
TgaLoadResult LoadTgaCatchingFailure(const VexBlit2Api& vx, const std::string& fileName);

}  // namespace ostrel
