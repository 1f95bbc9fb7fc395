#pragma once
// What both end-to-end programs read back: the runner's settings and the
// files a run leaves in a folder.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace endtoend {

inline std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Relative name (forward slashes) -> bytes of every file below root.
inline std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            files[fs::relative(e.path(), root).generic_string()] = ReadFile(e.path());
        }
    }
    return files;
}

}  // namespace endtoend
