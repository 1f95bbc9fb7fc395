// Run under wine with a Traditional Chinese locale (ANSI code page 950): list
// names are converted whole, so a second byte of 0x5C stays inside its
// character instead of splitting the name; messages turn names back into
// those bytes. (Files are not written here: wine cannot store such names
// while the host lacks that locale.)

#include <gtest/gtest.h>
#include <windows.h>

#include "core/display_name.h"
#include "core/exception.h"
#include "gzip/gzip_file.h"
#include "update/file_util.h"
#include "update/program_path.h"

namespace fs = std::filesystem;

TEST(CodePage, Big5NamesWithABackslashSecondByte) {
    ASSERT_EQ(GetACP(), 950u) << "registered to run with LC_ALL=zh_TW.UTF-8";
    const fs::path base = L"base";
    // A5 5C is one Big5 character (U+529F); 5C alone is the separator.
    EXPECT_EQ(update::NameToPath(base, "\xa5\x5c\\\xa5\x5c.dat"), base / L"\x529f" / L"\x529f.dat");
    EXPECT_EQ(update::NameToPath(base, "a\\\xa4\xa4"), base / L"a" / L"\x4e2d");
    EXPECT_FALSE(update::NameToPath(base, "\xa5\x5c\\..\\..\\x"));
    EXPECT_FALSE(update::NameToPath(base, "\xa5"));  // a lead byte without its second byte
}

// Messages carry names as the lists write them, so a box that converts its
// text from the system code page shows them right.
TEST(CodePage, MessagesNameFilesInTheSystemCodePage) {
    ASSERT_EQ(GetACP(), 950u);
    const fs::path base = L"base";
    for (const char* name : {"\xa5\x5c\\\xa5\x5c.dat", "a\\\xa4\xa4"}) {
        const auto path = update::NameToPath(base, name);
        ASSERT_TRUE(path);
        EXPECT_EQ(selvane::DisplayName(*path), std::string("base\\") + name);
    }
    EXPECT_EQ(gzip::DialogText("Can't create: ", base / L"\x4e2d.dat"),
              "Can't create: base\\\xa4\xa4.dat");
    try {
        update::ReadWholeFile(base / L"\x4e2d.dat");
        ADD_FAILURE() << "a missing file was read";
    } catch (const selvane::Exception& e) {
        EXPECT_EQ(e.Message, "Cannot open file \"base\\\xa4\xa4.dat\"");
    }
}
