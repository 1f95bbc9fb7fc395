#include "update/headless_chooser.h"

#include <system_error>

#include "core/exception.h"
#include "update/chosen_server.h"
#include "update/server_list.h"
#include "update/text_lines.h"

namespace update {

HeadlessChooser::HeadlessChooser(std::filesystem::path programDir)
    : programDir_(std::move(programDir)) {
    std::error_code ec;
    if (std::filesystem::exists(programDir_ / kServerListFile, ec))
        lines_ = LoadLines(programDir_ / kServerListFile);
    try {
        selected_ = ReadChosenIndex(programDir_ / kChosenServerFile, ItemCount());
    } catch (const selvane::Exception&) {
        selected_ = -1;
    }
}

int HeadlessChooser::ItemCount() const {
    // One entry per line but the last, then the any-server entry.
    return lines_.empty() ? 1 : static_cast<int>(lines_.size());
}

void HeadlessChooser::ShowModal() {
    ++ShownCount;
    if (Pick) selected_ = *Pick;
    WriteChosenIndex(programDir_ / kChosenServerFile, selected_);
}

}  // namespace update
