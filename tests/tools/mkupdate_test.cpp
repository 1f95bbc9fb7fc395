#include "tools/mkupdate/update_set.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {
namespace fs = std::filesystem;
using mkupdate::BuildPack;
using mkupdate::PackItem;

int32_t Int32At(const std::vector<uint8_t>& bytes, std::size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | bytes[at + static_cast<std::size_t>(i)];
    return static_cast<int32_t>(v);
}

TEST(MkupdatePack, DirectoryDescribesEveryItemAndEndsTheFile) {
    const std::vector<PackItem> items{
        {"a.txt", {'A', 'B'}}, {"dir\\b.bin", {}}, {"c", {'x', 'y', 'z'}}};
    const auto pack = BuildPack(items);
    ASSERT_EQ(pack.size(), 5 + mkupdate::kPackDirectorySize);
    const std::size_t dir = 5;
    EXPECT_EQ(Int32At(pack, dir), 3);
    const int32_t spans[][2] = {{0, 2}, {2, 2}, {2, 5}};
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::size_t slot = dir + (i + 1) * mkupdate::kPackSlotSize;
        EXPECT_EQ(Int32At(pack, slot), spans[i][0]) << "slot " << i + 1;
        EXPECT_EQ(Int32At(pack, slot + 4), spans[i][1]) << "slot " << i + 1;
        ASSERT_EQ(pack[slot + 8], items[i].Name.size());
        EXPECT_EQ(std::string(pack.begin() + static_cast<long>(slot + 9),
                              pack.begin() + static_cast<long>(slot + 9 + items[i].Name.size())),
                  items[i].Name);
    }
}

TEST(MkupdatePack, HundredItemsWithAnEightyByteLastNameFillTheDirectoryToItsLastByte) {
    std::vector<PackItem> items(100, PackItem{"f", {1}});
    items.back().Name = std::string(79, 'n') + "z";
    const auto pack = BuildPack(items);
    EXPECT_EQ(pack.back(), 'z');
    EXPECT_EQ(Int32At(pack, 100), 100);
}

TEST(MkupdatePack, RefusesWhatThePackCannotHold) {
    EXPECT_THROW(BuildPack(std::vector<PackItem>(101, PackItem{"f", {}})), std::runtime_error);
    EXPECT_THROW(BuildPack({PackItem{std::string(81, 'n'), {}}}), std::runtime_error);
}

TEST(MkupdateSet, ListsEveryFileWithItsTypeAndTheSizeOfWhatTheServerHolds) {
    const fs::path root = fs::temp_directory_path() / "mkupdate_test";
    fs::remove_all(root);
    fs::create_directories(root / "game" / "sub" / "deep");
    fs::create_directories(root / "game" / "maps");
    auto write = [&](const fs::path& p, const std::string& s) {
        std::ofstream(root / "game" / p) << s;
    };
    write("readme.txt", "plain file");
    write("sub/deep/data.bin", std::string(3000, 'q'));
    write("maps/one.map", "1");
    write("maps/two.map", "22");

    mkupdate::Options options;
    options.Source = root / "game";
    options.Out = root / "server";
    options.Version = "0007";
    options.Plain = {"readme.txt"};
    options.Packs = {{"maps.pak", "maps"}};
    options.Hashes = false;  // the lines as a program of the first releases reads them
    const auto lines = mkupdate::BuildUpdateSet(options);

    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "O 0001_readme.txt readme.txt 0007 10");
    EXPECT_EQ(lines[2].rfind("E 0002_data.bin.gz sub\\deep\\data.bin 0007 ", 0), 0u) << lines[2];
    EXPECT_EQ(std::to_string(fs::file_size(root / "server" / "0002_data.bin.gz")),
              lines[2].substr(lines[2].rfind(' ') + 1));
    EXPECT_EQ(lines[3].rfind("C 0003_maps.pak.gz maps.pak 0007 ", 0), 0u) << lines[3];

    std::ifstream list(root / "server" / "update3.dat", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(list), std::istreambuf_iterator<char>()};
    EXPECT_EQ(text.substr(0, 13), "update list\r\n");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    fs::remove_all(root);
}

}  // namespace
