#pragma once
// One update run without a window: the steps of the update window's run, in
// order, against the servers of the program directory's server list. Used by
// the demo program and by the end-to-end test.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "update/install.h"
#include "update/text_lines.h"

namespace demo {

struct RunHooks {
    // One line about what the run does now.
    std::function<void(const std::string& line)> Say;
    // Bytes of the current game file received so far, and the bytes announced.
    std::function<void(int64_t received, int64_t total)> Progress;
};

struct RunResult {
    std::string Server;   // the server line that served the run; empty: none did
    update::Lines ToDo;   // the to-do entries, in order
    std::vector<update::InstallResult> Results;  // one per entry processed
};

// Tries the server lines of programDir\isp0.dat in file order up to the line
// "end" (or the end of the file) until one logs in and lists "update3.dat";
// fetches it, creates "update2.dat" with its header when missing, builds the
// to-do list and installs every entry, then saves "update2.dat". The local
// list is saved also when an install raises, so the next run resumes after
// the files already recorded. Errors of the lists, of the remote list's
// download and of the installs are raised as selvane::Exception.
RunResult RunUpdate(const std::filesystem::path& programDir, const RunHooks& hooks);

// A short English name of an install result, for logs.
const char* ResultName(update::InstallResult result);

}  // namespace demo
