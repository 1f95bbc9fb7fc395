// Random pack files: ExtractPack must not crash, read outside its buffers or
// write anything outside the program directory.
//
// Input: a flag byte; odd: the rest is the whole pack file (short files, raw
// directories); even: a count byte and compact slots (start and end as signed
// 16-bit, name length, name) that are spread into a real directory after a
// 256-byte data area, so that most inputs reach the slot loop.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/exception.h"
#include "update/pack.h"
#include "update/program_path.h"

namespace fs = std::filesystem;

namespace {

struct Sandbox {
    Sandbox() {
        std::random_device rd;
        root = fs::temp_directory_path() / ("selvane-pack-fuzz-" + std::to_string(rd()));
        program = root / "outer" / "game";
        fs::create_directories(program);
    }
    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root, program;
};

void PutLe32(std::string& s, size_t at, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
}

std::string BuildPack(const uint8_t* data, size_t size) {
    if (size == 0) return {};
    if (data[0] & 1) return std::string(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string pack(256, '\0');
    for (size_t i = 0; i < pack.size(); ++i) pack[i] = static_cast<char>(i);
    std::string dir(update::kPackDirectorySize, '\0');
    size_t p = 1;
    PutLe32(dir, 0, p < size ? static_cast<int8_t>(data[p++]) : 0);
    for (size_t slot = 1; slot < update::kPackSlots && p + 5 <= size; ++slot) {
        const size_t at = slot * update::kPackSlotSize;
        PutLe32(dir, at, static_cast<int16_t>(data[p] | data[p + 1] << 8));
        PutLe32(dir, at + 4, static_cast<int16_t>(data[p + 2] | data[p + 3] << 8));
        const uint8_t length = data[p + 4];
        p += 5;
        dir[at + 8] = static_cast<char>(length);
        const size_t take = std::min<size_t>({length, update::kPackNameMax, size - p});
        dir.replace(at + 9, take, reinterpret_cast<const char*>(data + p), take);
        p += take;
    }
    return pack + dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Sandbox box;
    const std::string pack = BuildPack(data, size);
    {
        std::ofstream out(box.root / "p.pak", std::ios::binary | std::ios::trunc);
        out.write(pack.data(), static_cast<std::streamsize>(pack.size()));
    }
    try {
        update::ExtractPack(box.root / "p.pak", box.program);
    } catch (const selvane::Exception&) {
    }
    // Nothing but the program directory and the pack itself may exist.
    size_t entries = 0;
    for (const auto& e : fs::recursive_directory_iterator(box.root)) {
        const auto rel = fs::relative(e.path(), box.root).generic_string();
        if (rel != "p.pak" && rel != "outer" && rel.rfind("outer/game", 0) != 0) std::abort();
        ++entries;
    }
    (void)entries;
    if (!fs::is_empty(box.program)) {
        std::error_code ec;
        fs::remove_all(box.program, ec);
        fs::create_directories(box.program);
    }
    return 0;
}
