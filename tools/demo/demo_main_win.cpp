// update_demo: one update run in a game folder, with the launcher's run and
// a headless window that prints each step and the byte progress.
//
//   update_demo.exe [GAMEDIR] [--list-key KEYFILE.pub]
//
// GAMEDIR defaults to the folder of the program. With --list-key the run
// takes only lists signed by that key, as a build with the key does: a way to
// try signed mirrors before such a build goes out.
//
// The folder needs an isp0.dat; the chooser keeps its selection from isp1.dat
// (the first server when there is none). Exit code 0 when the files are up
// to date, 1 when no server served the run or a file was not installed, 2 on
// an error.

#include <windows.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "gzip/gzip_file.h"
#include "trust/p256.h"
#include "update/headless_chooser.h"
#include "update/headless_view.h"
#include "update/update_run_win.h"

namespace {

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The progress text on its own line, at most every tenth of the file, or
// every 64 KiB when the server announced no size.
struct ProgressLine {
    long long lastStep = -1;
    void Show(const std::string& text) {
        long long received = 0, total = 0;
        if (std::sscanf(text.c_str(), "%lld of %lld", &received, &total) != 2) return;
        const long long step = total > 0 ? received * 10 / total : received / 65536;
        if (step == lastStep) return;
        lastStep = step;
        Print("    " + text + "bytes");
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::filesystem::path dir;
    std::optional<trust::P256PublicKey> listKey;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--list-key" && i + 1 < argc) {
            std::ifstream in(std::filesystem::path(argv[++i]), std::ios::binary);
            listKey = trust::ParseP256PublicKey(
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
            if (!listKey) {
                std::fprintf(stderr, "no public key in the --list-key file\n");
                return 2;
            }
        } else {
            dir = argv[i];
        }
    }
    if (dir.empty()) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        dir = std::filesystem::path(self).parent_path();
    }
    Print("update run in " + dir.string());

    update::HeadlessView view;
    update::HeadlessChooser chooser(dir);
    gzip::TGzipFile gz;
    update::RunSettings settings;
    settings.ProgramDir = dir;
    settings.ListKey = listKey;
    update::UpdateRun run(view, chooser, gz, settings);

    ProgressLine progress;
    view.OnLine = [&progress](const std::string& line) {
        progress.lastStep = -1;
        Print(line);
    };
    view.OnProgressText = [&progress](const update::Text& text) { progress.Show(text.Bytes); };
    view.OnCloseWindow = [&run] { run.Close(); };
    try {
        run.Run();
        run.DownloadPhase();
        run.Close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "update run stopped: %s\n", e.what());
        return 2;
    }
    return view.StartButtonShown && view.Boxes.empty() ? 0 : 1;
}
