// mkupdate: builds an update set for the game's FTP server from a game folder.
//
//   mkupdate --source GAMEDIR --out SERVERDIR --version VERSION
//            [--plain RELPATH]... [--pack TARGET=SUBDIR]... [--header TEXT]
//
// Every file below GAMEDIR becomes one entry of update3.dat: a gzip file
// (type E) by default, the file as it is (type O) with --plain, or an item of
// a gzip-compressed pack file (type C) when it lies below a --pack SUBDIR.
// Versions are compared byte by byte by the clients: use fixed-width digits.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "tools/mkupdate/update_set.h"

namespace {

int Usage() {
    std::fputs(
        "usage: mkupdate --source GAMEDIR --out SERVERDIR --version VERSION\n"
        "                [--plain RELPATH]... [--pack TARGET=SUBDIR]... [--header TEXT]\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    mkupdate::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return Usage();
        const std::string value = argv[++i];
        if (arg == "--source") {
            options.Source = value;
        } else if (arg == "--out") {
            options.Out = value;
        } else if (arg == "--version") {
            options.Version = value;
        } else if (arg == "--header") {
            options.Header = value;
        } else if (arg == "--plain") {
            options.Plain.emplace_back(value);
        } else if (arg == "--pack") {
            const auto eq = value.find('=');
            if (eq == std::string::npos) return Usage();
            options.Packs.push_back({value.substr(0, eq), value.substr(eq + 1)});
        } else {
            return Usage();
        }
    }
    if (options.Source.empty() || options.Out.empty() || options.Version.empty() ||
        options.Version.find(' ') != std::string::npos) {
        return Usage();
    }
    try {
        const auto lines = mkupdate::BuildUpdateSet(options);
        std::printf("%zu entries written to %s\n", lines.size() - 1,
                    (options.Out / "update3.dat").string().c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkupdate: %s\n", e.what());
        return 1;
    }
}
