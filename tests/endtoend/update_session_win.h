#pragma once
// One update window's run for the end-to-end programs: the window, its
// chooser and gzip component, and the run they host, all headless.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gzip/gzip_file.h"
#include "update/headless_chooser.h"
#include "update/headless_view.h"
#include "update/update_run_win.h"

namespace endtoend {

// The window's close goes to the run, as FormClose does.
struct Session {
    Session(const std::filesystem::path& dir, update::RunSettings settings,
            std::vector<std::string>& said)
        : chooser(dir) {
        settings.ProgramDir = dir;
        run = std::make_unique<update::UpdateRun>(view, chooser, gz, std::move(settings));
        // File order after the chosen server: the draws always take the first line.
        run->SetRandomSource([](int) { return 0; });
        view.OnLine = [&said](const std::string& line) { said.push_back(line); };
        view.OnCloseWindow = [this] { run->Close(); };
    }

    update::HeadlessView view;
    update::HeadlessChooser chooser;
    gzip::TGzipFile gz;
    std::unique_ptr<update::UpdateRun> run;
};

// The bytes of texts the window showed, for comparing with expected names.
inline std::vector<std::string> Bytes(const std::vector<update::Text>& texts) {
    std::vector<std::string> bytes;
    for (const auto& text : texts) bytes.push_back(text.Bytes);
    return bytes;
}

}  // namespace endtoend
