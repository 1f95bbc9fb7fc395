#include "update/program_path.h"

namespace update {

std::optional<std::filesystem::path::string_type> NameToNative(std::string_view name) {
    return std::string(name);
}

}  // namespace update
