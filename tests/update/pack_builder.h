#pragma once
// Builds pack files for tests: data area, then the 8989-byte directory.

#include <cstdint>
#include <string>
#include <vector>

#include "update/pack.h"

namespace testutil {

struct PackItem {
    std::string name;
    std::string contents;
};

struct RawSlot {
    int32_t start;
    int32_t end;
    uint8_t length;
    std::string name;
};

inline void PutLe32(std::string& dir, size_t at, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) dir[at + size_t(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
}

inline std::string PackDirectory(int32_t count, const std::vector<RawSlot>& slots) {
    std::string dir(update::kPackDirectorySize, '\0');
    PutLe32(dir, 0, count);
    for (size_t i = 0; i < slots.size() && i + 1 < update::kPackSlots; ++i) {
        const size_t at = (i + 1) * update::kPackSlotSize;
        PutLe32(dir, at, slots[i].start);
        PutLe32(dir, at + 4, slots[i].end);
        dir[at + 8] = static_cast<char>(slots[i].length);
        dir.replace(at + 9, slots[i].name.size(), slots[i].name);
    }
    return dir;
}

// Contents stored in reverse order of the directory when reversed is set.
inline std::string MakePack(const std::vector<PackItem>& items, bool reversed = false) {
    std::string data;
    std::vector<RawSlot> slots(items.size());
    for (size_t n = 0; n < items.size(); ++n) {
        const size_t i = reversed ? items.size() - 1 - n : n;
        slots[i] = {static_cast<int32_t>(data.size()),
                    static_cast<int32_t>(data.size() + items[i].contents.size()),
                    static_cast<uint8_t>(items[i].name.size()), items[i].name};
        data += items[i].contents;
    }
    return data + PackDirectory(static_cast<int32_t>(items.size()), slots);
}

}  // namespace testutil
