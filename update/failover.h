#pragma once
// When a download of the download phase fails, whether another server of the
// order may take over, and whether it serves the same remote list.

#include <filesystem>

#include "core/exception.h"

namespace update {

// True for failures of the server's connection: a connection lost or reset,
// a server that hung up or went silent, a transfer cut short, a transient
// reply (4xx) to the transfer. A file the server refuses (550), a local
// failure, or more data than announced is no reason to change servers.
// controlConnected: the control connection is still up after the failure.
bool WorthAnotherServer(const selvane::Exception& error, bool controlConnected);

// True when both files exist and hold the same bytes: a mirror whose
// update3.dat differs from the one the to-do list came from would install
// other files under the same entries.
bool SameFileBytes(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace update
