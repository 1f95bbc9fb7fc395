#include "core/display_name.h"

namespace selvane {

std::string DisplayName(const std::filesystem::path& file) { return file.native(); }

}  // namespace selvane
