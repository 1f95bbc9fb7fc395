#pragma once
// The order in which a run tries the servers: the chooser's server first, the
// others in random order, the list's last line (the end marker) last.

#include <functional>
#include <vector>

#include "update/text_lines.h"

namespace update {

// Returns a number from 0 to max, both included, uniformly drawn.
using RandomSource = std::function<int(int max)>;

// A source seeded from the clock, as every run starts a new order.
RandomSource ClockRandomSource();

struct ServerChoice {
    Lines ChooserLines;  // the chooser's copy of the server list, end line included
    int Selected = -1;   // the chooser's selected entry; -1: none
    int ItemCount = 0;   // the chooser's entries: one per server line, then any-server
};

// fileLines is the server list file as the run reads it again. A usable
// selection (a server entry that both the chooser's lines and the file hold)
// puts the chooser's line first and removes the file's line at that index.
// Any other selection, the any-server entry included, puts every line in
// random order. The draw never takes the last remaining line while others
// are left, so the file's last line stays last whether it is "end" or not.
Lines BuildServerOrder(const Lines& fileLines, const ServerChoice& choice,
                       const RandomSource& random);

}  // namespace update
