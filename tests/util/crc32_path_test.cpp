#include <gtest/gtest.h>

#include "util/crc32.h"
#include "util/path.h"

namespace tavlo {
namespace {

TEST(Crc32, StandardValuesOfTrimmedText) {
    const struct {
        const char* text;
        std::uint32_t crc;
    } cases[] = {
        {"abc", 0x352441C2u},  {"abc   ", 0x352441C2u}, {"", 0u},   {"    ", 0u},
        {"123456789", 0xCBF43926u},  // the standard check value
        {"  abc", 0x6DB4EFF7u},      // leading blanks count
        {"Rëkening", 0x8C9E7FF7u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CRC32Str(c.text), c.crc);
    }
    EXPECT_EQ(BuildCRCTable()[1], 0x77073096u);
    EXPECT_EQ(BuildCRCTable()[255], 0x2D02EF8Du);
    EXPECT_EQ(CalcCRC('a', 0xFFFFFFFFu), BuildCRCTable()[(0xFFFFFFFFu ^ 'a') & 0xFF] ^ 0x00FFFFFFu);
}

TEST(Path, AddSlashToPath) {
    const struct {
        const char* path;
        std::size_t width;
        const char* result;
    } cases[] = {
        {"/srv/till", 0, "/srv/till/"}, {"/srv/till/", 0, "/srv/till/"}, {"/srv/till   ", 0, "/srv/till/"},
        {"C:\\Till", 0, "C:\\Till/"},   {"C:\\Till\\", 0, "C:\\Till\\"}, {"C:", 0, "C:"},
        {"", 0, ""},                    {"    ", 0, "    "},             {"abcd", 4, "abcd"},
        {"abc", 4, "abc/"},             {"backup:", 0, "backup:/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string p = c.path;
        AddSlashToPath(p, c.width);
        EXPECT_EQ(p, c.result);
    }
    EXPECT_EQ(nativePath("/srv/till\\Tavlo.Ini"), "/srv/till/Tavlo.Ini");
}

}  // namespace
}  // namespace tavlo
