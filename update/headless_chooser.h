#pragma once
// A server chooser without a window: the entries, the selection read from
// isp1.dat and the write on confirmation are the choosers'; the player's pick
// is scripted.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "update/update_view.h"

namespace update {

class HeadlessChooser : public IServerChooser {
public:
    // Loads programDir\isp0.dat (no servers when it is missing) and selects
    // the entry that programDir\isp1.dat names, as the choosers do when they
    // are created; an unreadable number selects nothing.
    explicit HeadlessChooser(std::filesystem::path programDir);

    // The entry the player picks in ShowModal; without it the selection stands.
    std::optional<int> Pick;
    int ShownCount = 0;

    // Picks, then stores the selection in isp1.dat as the OK button does.
    void ShowModal() override;
    int SelectedIndex() const override { return selected_; }
    int ItemCount() const override;
    std::vector<std::string> ServerLines() const override { return lines_; }

private:
    std::filesystem::path programDir_;
    std::vector<std::string> lines_;
    int selected_ = -1;
};

}  // namespace update
