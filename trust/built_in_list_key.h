#pragma once
// The key the studio signs its update lists with, as the build was given it.
// Only the programs link it: tests hand the run a key of their own.

#include <optional>

#include "trust/p256.h"

namespace trust {

// None when the build was made without a key: the run then checks no
// signature, as before signed lists existed.
std::optional<P256PublicKey> BuiltInListKey();

}  // namespace trust
