#include "cvcode/cvcode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>

namespace {

using cvcode::Big5Index;
using cvcode::Big5ToGB;
using cvcode::Big5ToGBTable;
using cvcode::IsBig5Char;
using cvcode::kBig5TableSize;

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(static_cast<char>(b));
    return s;
}

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (!out.empty()) out.push_back(' ');
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

struct TableRow {
    int lead, trail, index;
    std::uint16_t entry;
};

// Positions whose entries the rest of the program relies on, spread over the whole table.
TEST(Big5ToGBTable, KnownRows) {
    const TableRow rows[] = {
        {0xA1, 0x40, 0, 0x2020},     {0xA1, 0x41, 1, 0xA3AC},    {0xA1, 0x42, 2, 0xA1A2},
        {0xA1, 0x43, 3, 0xA1A3},     {0xA4, 0x40, 471, 0xD2BB},  {0xAD, 0xD3, 1997, 0xB8F6},
        {0xB7, 0x73, 3505, 0xD0C2},  {0xC0, 0xC9, 4970, 0xB5B5}, {0xC1, 0xD9, 5143, 0xBBB9},
        {0xFE, 0xFE, 14757, 0x2020},
    };
    for (const auto& r : rows) {
        const std::string pair = Bytes({r.lead, r.trail});
        SCOPED_TRACE(Hex(pair));
        EXPECT_EQ(Big5Index(pair), r.index);
        EXPECT_EQ(Big5ToGBTable[r.index], r.entry);
        EXPECT_EQ(Big5ToGB(pair), cvcode::CodeToChars(r.entry));
    }
}

// Every entry is two blanks or a GB2312 double-byte code; the unused lead bytes map nothing.
TEST(Big5ToGBTable, EntriesAreBlanksOrGBCodes) {
    static_assert(sizeof(Big5ToGBTable) == 29516);
    for (int k = 0; k < kBig5TableSize; ++k) {
        const int e = Big5ToGBTable[k];
        const int lead = 0xA1 + k / 157;
        if (e == 0x2020) continue;
        SCOPED_TRACE(k);
        EXPECT_GE(e >> 8, 0xA1);
        EXPECT_LE(e >> 8, 0xF7);
        EXPECT_GE(e & 0xFF, 0xA1);
        EXPECT_LE(e & 0xFF, 0xFE);
        EXPECT_FALSE(lead == 0xC7 || lead == 0xC8 || lead >= 0xFA) << "lead " << lead;
    }
}

// The table is regenerated from outside data; these counts are what it must keep.
TEST(Big5ToGBTable, MappedEntriesPerLeadByteRange) {
    struct Range {
        int firstLead, lastLead, mapped;
    };
    const Range ranges[] = {
        {0xA1, 0xA3, 273}, {0xA4, 0xC6, 5241}, {0xC7, 0xC8, 0}, {0xC9, 0xF9, 1597}, {0xFA, 0xFE, 0},
    };
    int total = 0;
    for (const auto& r : ranges) {
        int mapped = 0;
        for (int k = (r.firstLead - 0xA1) * 157; k < (r.lastLead - 0xA1 + 1) * 157; ++k)
            mapped += Big5ToGBTable[k] != 0x2020;
        EXPECT_EQ(mapped, r.mapped)
            << "lead bytes " << std::hex << r.firstLead << "-" << r.lastLead;
        total += mapped;
    }
    EXPECT_EQ(total, 7111);
}

TEST(Big5Char, LeadAndTrailBounds) {
    struct Case {
        std::string text;
        bool isBig5;
        int index;
    };
    const Case cases[] = {
        {"", false, -1},
        {Bytes({0xA4}), false, -1},
        {Bytes({0xA1, 0x40}), true, 0},
        {Bytes({0xA1, 0x7E}), true, 62},
        {Bytes({0xA1, 0xA1}), true, 63},
        {Bytes({0xA1, 0xFE}), true, 156},
        {Bytes({0xA2, 0x40}), true, 157},
        {Bytes({0xFE, 0xFE}), true, 14757},
        {Bytes({0xFF, 0x40}), true, 14758},  // passes the test, index past the table
        {Bytes({0xFF, 0xA1}), true, 14758 + 63},
        {Bytes({0xA0, 0x40}), false, -157},  // lead not examined by the index
        {Bytes({0x41, 0x41}), false, (0x41 - 0xA1) * 157 + 1},
        {Bytes({0xA4, 0x3F}), false, -1},
        {Bytes({0xA4, 0x7F}), false, -1},
        {Bytes({0xA4, 0xA0}), false, -1},
        {Bytes({0xA4, 0xFF}), false, -1},
        {Bytes({0xA4, 0x40, 0x41}), true, 471},  // only the first two bytes count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.text));
        EXPECT_EQ(IsBig5Char(c.text), c.isBig5);
        EXPECT_EQ(Big5Index(c.text), c.index);
    }
}

TEST(Big5ToGB, Conversions) {
    struct Case {
        const char* what;
        std::string in, out;
    };
    const Case cases[] = {
        {"目前沒有需要更新的檔案",
         Bytes({0xA5, 0xD8, 0xAB, 0x65, 0xA8, 0x53, 0xA6, 0xB3, 0xBB, 0xDD, 0xAD,
                0x6E, 0xA7, 0xF3, 0xB7, 0x73, 0xAA, 0xBA, 0xC0, 0xC9, 0xAE, 0xD7}),
         Bytes({0xC4, 0xBF, 0xC7, 0xB0, 0xC3, 0xBB, 0xD3, 0xD0, 0xD0, 0xE8, 0xD2,
                0xAA, 0xB8, 0xFC, 0xD0, 0xC2, 0xB5, 0xC4, 0xB5, 0xB5, 0xB0, 0xB8})},
        {"還有12個檔案需要更新: digits pass between characters",
         Bytes({0xC1, 0xD9, 0xA6, 0xB3, '1',  '2',  0xAD, 0xD3, 0xC0, 0xC9,
                0xAE, 0xD7, 0xBB, 0xDD, 0xAD, 0x6E, 0xA7, 0xF3, 0xB7, 0x73}),
         Bytes({0xBB, 0xB9, 0xD3, 0xD0, '1',  '2',  0xB8, 0xF6, 0xB5, 0xB5,
                0xB0, 0xB8, 0xD0, 0xE8, 0xD2, 0xAA, 0xB8, 0xFC, 0xD0, 0xC2})},
        {"其它", Bytes({0xA8, 0xE4, 0xA5, 0xA6}), Bytes({0xC6, 0xE4, 0xCB, 0xFC})},
        {"ASCII", "Update 3 files.\r\n", "Update 3 files.\r\n"},
        {"empty", "", ""},
        {"one byte", "x", "x"},
        {"lone lead byte", Bytes({0xA4}), Bytes({0xA4})},
        {"lone lead byte at the end", Bytes({0xA4, 0x40, 0xA4}), Bytes({0xD2, 0xBB, 0xA4})},
        {"ideographic space", Bytes({'a', 0xA1, 0x40, 'b'}), "a  b"},
        {"unmapped lead byte C7", Bytes({0xC7, 0xA1}), "  "},
        {"unmapped lead byte FE", Bytes({0xFE, 0x40, 'z'}), "  z"},
        {"FF copied, A1 pairs with the next byte", Bytes({0xFF, 0xA1, 0x41}),
         Bytes({0xFF, 0xA3, 0xAC})},
        {"FF FF alone", Bytes({0xFF, 0xFF}), Bytes({0xFF, 0xFF})},
        {"lead before 0x7F..0xA0 is copied", Bytes({0xA4, 0x7F, 0xA4, 0xA0, 0xA4, 0x40}),
         Bytes({0xA4, 0x7F, 0xA4, 0xA0, 0xD2, 0xBB})},
        {"stray lead byte takes the ASCII letter after it (A4 41 is 乙)", Bytes({0xA4, 'A', 'B'}),
         Bytes({0xD2, 0xD2, 'B'})},
        {"byte below A1 before a lead stays single", Bytes({0x80, 0xA4, 0x40}),
         Bytes({0x80, 0xD2, 0xBB})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Hex(Big5ToGB(c.in)), Hex(c.out));
    }
}

// Whatever the bytes, the result has the input's length and plain text stays as it is.
TEST(Big5ToGB, KeepsLengthOnRandomBytes) {
    std::mt19937 rng(20261209);
    for (int round = 0; round < 2000; ++round) {
        std::string in(rng() % 64, '\0');
        for (auto& ch : in) ch = static_cast<char>(rng() % 2 ? 0xA1 + rng() % 95 : rng() % 256);
        SCOPED_TRACE(Hex(in));
        ASSERT_EQ(Big5ToGB(in).size(), in.size());
    }
}

}  // namespace
