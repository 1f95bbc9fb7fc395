// update_demo: one update run in a game folder, headless, printing each step
// and the byte progress of every download.
//
//   update_demo.exe [GAMEDIR]      (default: the folder of the program)
//
// The folder needs an isp0.dat; update2.dat is created when missing. Exit
// code 0 when the files are up to date, 1 when no server served the run,
// 2 on an error.

#include <windows.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "core/exception.h"
#include "tools/demo/headless_run_win.h"
#include "update/program_path.h"

namespace {

// Progress on one console line, at most every tenth of the file.
struct ProgressLine {
    int lastTenth = -1;
    void Show(int64_t received, int64_t total) {
        const int tenth = total > 0 ? static_cast<int>(received * 10 / total) : 10;
        if (tenth == lastTenth) return;
        lastTenth = tenth;
        std::printf("    %lld of %lld bytes\n", static_cast<long long>(received),
                    static_cast<long long>(total));
        std::fflush(stdout);
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::filesystem::path dir;
    if (argc > 1) {
        dir = argv[1];
    } else {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        dir = std::filesystem::path(self).parent_path();
    }
    ProgressLine progress;
    demo::RunHooks hooks;
    hooks.Say = [&progress](const std::string& line) {
        progress.lastTenth = -1;
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    hooks.Progress = [&progress](int64_t received, int64_t total) { progress.Show(received, total); };
    try {
        std::printf("update run in %s\n", dir.string().c_str());
        const auto result = demo::RunUpdate(dir, hooks);
        return result.Server.empty() ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "update run stopped: %s\n", e.what());
        return 2;
    }
}
