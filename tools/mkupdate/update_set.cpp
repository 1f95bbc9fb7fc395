#include "tools/mkupdate/update_set.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "trust/hex.h"
#include "trust/sha256.h"

namespace mkupdate {
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteGzip(const fs::path& path, const std::vector<uint8_t>& bytes) {
    gzFile gz = gzopen(path.string().c_str(), "wb9");
    if (!gz) throw std::runtime_error("cannot create " + path.string());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const unsigned chunk =
            static_cast<unsigned>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (gzwrite(gz, bytes.data() + done, chunk) != static_cast<int>(chunk)) {
            gzclose(gz);
            throw std::runtime_error("cannot write " + path.string());
        }
        done += chunk;
    }
    if (gzclose(gz) != Z_OK) throw std::runtime_error("cannot close " + path.string());
}

void PutInt32(std::vector<uint8_t>& out, std::size_t at, int64_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Remote names live flat in the server folder and, for gzip files, in the
// game folder during the install: a running number keeps them unique.
std::string RemoteName(std::size_t index, const std::string& base, const char* suffix) {
    char number[16];
    std::snprintf(number, sizeof number, "%04zu_", index);
    std::string name = number + base + suffix;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

bool Below(const fs::path& file, const fs::path& dir) {
    auto f = file.begin();
    for (auto d = dir.begin(); d != dir.end(); ++d, ++f) {
        if (f == file.end() || *f != *d) return false;
    }
    return true;
}

}  // namespace

std::string TargetName(const fs::path& relative) {
    std::string name;
    for (const auto& part : relative) {
        if (!name.empty()) name += '\\';
        name += part.string();
    }
    if (name.find(' ') != std::string::npos)
        throw std::runtime_error("a name in the update list cannot hold a blank: " + name);
    return name;
}

std::vector<uint8_t> BuildPack(const std::vector<PackItem>& items) {
    if (items.size() > kPackSlots - 1) throw std::runtime_error("a pack holds at most 100 files");
    std::vector<uint8_t> pack;
    std::vector<std::pair<int64_t, int64_t>> spans;
    for (const auto& item : items) {
        if (item.Name.size() > kPackNameMax)
            throw std::runtime_error("pack item name longer than 80 bytes: " + item.Name);
        const auto start = static_cast<int64_t>(pack.size());
        pack.insert(pack.end(), item.Bytes.begin(), item.Bytes.end());
        spans.emplace_back(start, static_cast<int64_t>(pack.size()));
    }
    if (pack.size() > 0x7fffffffu - kPackDirectorySize)
        throw std::runtime_error("a pack must stay below 2 GiB");
    const std::size_t dir = pack.size();
    pack.resize(dir + kPackDirectorySize, 0);
    PutInt32(pack, dir, static_cast<int64_t>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::size_t slot = dir + (i + 1) * kPackSlotSize;
        PutInt32(pack, slot, spans[i].first);
        PutInt32(pack, slot + 4, spans[i].second);
        pack[slot + 8] = static_cast<uint8_t>(items[i].Name.size());
        std::copy(items[i].Name.begin(), items[i].Name.end(),
                  pack.begin() + static_cast<std::ptrdiff_t>(slot + 9));
    }
    return pack;
}

std::vector<std::string> BuildUpdateSet(const Options& options) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(options.Source)) {
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), options.Source));
    }
    std::sort(files.begin(), files.end());
    fs::create_directories(options.Out);

    std::vector<std::string> lines{options.Header};
    std::size_t index = 0;
    auto add = [&](const char* type, const std::string& remote, const std::string& target) {
        const auto size = fs::file_size(options.Out / remote);
        std::string line = std::string(type) + " " + remote + " " + target + " " + options.Version +
                           " " + std::to_string(size);
        if (options.Hashes) {
            const auto digest = trust::Sha256OfFile(options.Out / remote);
            if (!digest) throw std::runtime_error("cannot read " + (options.Out / remote).string());
            line += " sha256=" + trust::ToHex(*digest);
        }
        lines.push_back(std::move(line));
    };

    std::vector<std::vector<PackItem>> packs(options.Packs.size());
    for (const auto& file : files) {
        const auto rule = std::find_if(options.Packs.begin(), options.Packs.end(),
                                       [&](const PackRule& p) { return Below(file, p.Dir); });
        if (rule != options.Packs.end()) {
            packs[static_cast<std::size_t>(rule - options.Packs.begin())].push_back(
                {TargetName(file), ReadFile(options.Source / file)});
            continue;
        }
        const std::string target = TargetName(file);
        const std::string base = file.filename().string();
        ++index;
        if (std::find(options.Plain.begin(), options.Plain.end(), file) != options.Plain.end()) {
            const std::string remote = RemoteName(index, base, "");
            fs::copy_file(options.Source / file, options.Out / remote,
                          fs::copy_options::overwrite_existing);
            add("O", remote, target);
        } else {
            const std::string remote = RemoteName(index, base, ".gz");
            WriteGzip(options.Out / remote, ReadFile(options.Source / file));
            add("E", remote, target);
        }
    }
    for (std::size_t i = 0; i < packs.size(); ++i) {
        const std::string remote = RemoteName(++index, options.Packs[i].Target, ".gz");
        WriteGzip(options.Out / remote, BuildPack(packs[i]));
        add("C", remote, TargetName(options.Packs[i].Target));
    }

    std::vector<uint8_t> list;
    for (const auto& line : lines) {
        list.insert(list.end(), line.begin(), line.end());
        list.push_back('\r');
        list.push_back('\n');
    }
    WriteFile(options.Out / "update3.dat", list);
    return lines;
}

}  // namespace mkupdate
