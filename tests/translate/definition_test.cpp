// The stored form of window texts, byte by byte, and what a reader does with damaged ones.
#include <gtest/gtest.h>

#include <random>

#include "translate/definition.h"
#include "util/crc32.h"
#include "util/text.h"

namespace tavlo {
namespace {

unsigned u16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8;
}
unsigned long u32(const std::string& b, std::size_t at) { return u16(b, at) | static_cast<unsigned long>(u16(b, at + 2)) << 16; }

VeldEntry entry(int no, int type, std::string text, std::string msg = "", std::string tip = "") {
    return VeldEntry{no, type, std::move(text), std::move(msg), std::move(tip)};
}

TEST(Definition, LayoutOfTheBuffer) {
    struct Case {
        const char* name;
        VeldQ list;
        unsigned count;
        unsigned long len;
        std::vector<std::pair<unsigned, unsigned>> index;  // 1-based place, length
    };
    const std::vector<Case> cases = {
        {"no entries", {}, 0, 10, {}},
        {"one prompt", {entry(1, 10, "Name .:")}, 1, 28, {{15, 14}}},
        {"trailing blanks are not stored", {entry(1, 10, "Name .:   ", "  ", "")}, 1, 28, {{15, 14}}},
        {"two entries", {entry(0, 25, "Till"), entry(3, 9, "&OK", "Accept", "Tip")}, 2, 10 + 8 + 11 + 19, {{19, 11}, {30, 19}}},
    };
    for (const Case& c : cases) {
        VeldQ list = c.list;
        const std::string b = BouVeldBuffer(list);
        ASSERT_EQ(b.size(), kDefinitionSize) << c.name;
        EXPECT_TRUE(list.empty()) << c.name << ": the list is emptied";
        EXPECT_EQ(u16(b, 0), c.count) << c.name;
        EXPECT_EQ(u32(b, 2), c.len) << c.name;
        for (std::size_t i = 0; i < c.index.size(); ++i) {
            EXPECT_EQ(u16(b, 10 + 4 * i), c.index[i].first) << c.name << " entry " << i;
            EXPECT_EQ(u16(b, 12 + 4 * i), c.index[i].second) << c.name << " entry " << i;
        }
        EXPECT_EQ(b.find_last_not_of(' ') + 1 <= c.len, true) << c.name << ": blanks after the last entry";
        std::string blank = b;
        blank.replace(6, 4, "    ");
        EXPECT_EQ(u32(b, 6), CRC32Str(blank)) << c.name << ": CRC taken with its own field blank";
        auto back = OnttrekNaVeldQ(b);
        ASSERT_TRUE(back) << c.name;
        ASSERT_EQ(back->size(), c.list.size());
        for (std::size_t i = 0; i < back->size(); ++i) {
            EXPECT_EQ((*back)[i].NO, c.list[i].NO);
            EXPECT_EQ((*back)[i].TEKS, clip(c.list[i].TEKS));
            EXPECT_EQ((*back)[i].TIP, clip(c.list[i].TIP));
        }
    }
    // The entry bytes of the prompt: number, type, three lengths, then the text.
    VeldQ one = {entry(1, 10, "Name .:")};
    const std::string b = BouVeldBuffer(one);
    EXPECT_EQ(b.substr(14, 14), std::string("\x01\x00\x0a\x00\x07\x00\x00Name .:", 14));
    // Stored without its trailing blanks, it reads the same.
    EXPECT_TRUE(OnttrekNaVeldQ(clip(b)));
}

TEST(Definition, LongTextsAreCutAtCharactersAndEveryLengthMatches) {
    std::string e300;
    for (int i = 0; i < 150; ++i) e300 += "\xc3\xa9";  // 300 bytes of e-acute
    std::vector<std::string> notices;
    VeldQ list = {entry(1, 9, e300, e300, e300), entry(2, 9, "Next")};
    const std::string b = BouVeldBuffer(list, [&](const std::string& title, const std::string&) { notices.push_back(title); });
    EXPECT_EQ(notices, std::vector<std::string>{"Veld te lank: 1"});
    auto back = OnttrekNaVeldQ(b);
    ASSERT_TRUE(back);
    const VeldEntry& e = (*back)[0];
    EXPECT_LE(e.TEKS.size(), 255u);
    EXPECT_EQ(e.TEKS.size() % 2, 0u) << "no half character";
    EXPECT_EQ(e.TEKS.size() + e.BDS.size() + e.TIP.size(), 384u);
    EXPECT_EQ(u16(b, 12), 7 + 384u);
    EXPECT_EQ((*back)[1].TEKS, "Next");
}

TEST(Definition, AFullBufferStoresTheEntriesThatFitAndCountsThem) {
    VeldQ list;
    for (int i = 0; i < 100; ++i) list.push_back(entry(i, 9, std::string(200, 'x')));
    std::vector<std::string> notices;
    const std::string b = BouVeldBuffer(list, [&](const std::string& title, const std::string&) { notices.push_back(title); });
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "Buffer >16384");
    auto back = OnttrekNaVeldQ(b);
    ASSERT_TRUE(back);
    EXPECT_EQ(u16(b, 0), back->size());
    EXPECT_GT(back->size(), 70u);
    EXPECT_LT(back->size(), 100u);
    EXPECT_EQ(u16(b, 10), 4 * back->size() + 11) << "the first entry right after the used index slots";
}

TEST(Definition, SingleStrings) {
    const std::string b = BouStringBuffer("Language  ");
    ASSERT_EQ(b.size(), 256u);
    EXPECT_EQ(b[0], 8);
    EXPECT_EQ(b.substr(1, 8), "Language");
    EXPECT_EQ(StringFromBuffer(b), "Language");
    EXPECT_EQ(StringFromBuffer(clip(b)), "Language");
    std::string long300;
    for (int i = 0; i < 100; ++i) long300 += "\xe2\x82\xac";  // 300 bytes of euro signs
    auto back = StringFromBuffer(BouStringBuffer(long300));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), 255u) << "85 whole characters";
    EXPECT_FALSE(StringFromBuffer(std::string("\x09" "abc", 4))) << "a length past the end";
    EXPECT_FALSE(StringFromBuffer(""));
}

TEST(Definition, ListHeaders) {
    EXPECT_EQ(OnttrekHeadersUitFormatStr("16L(2)|M~No~@s3@100L(2)|M~Name~@s25@"), "~No~Name~");
    EXPECT_EQ(OnttrekHeadersUitFormatStr("no headers"), "~");
    EXPECT_EQ(OnttrekHeadersUitFormatStr("1~a~2~b"), "~a~");
    struct Case {
        const char* format;
        const char* headers;
        const char* result;
    };
    const Case cases[] = {
        {"16L(2)|M~No~@s3@100L(2)|M~Name~@s25@", "~Nr~Naam~", "16L(2)|M~Nr~@s3@100L(2)|M~Naam~@s25@"},
        {"16L(2)|M~No~@s3@100L(2)|M~Name~@s25@", "~Nr~", "16L(2)|M~Nr~@s3@100L(2)|M~Name~@s25@"},
        {"16L(2)|M~No~@s3@", "~Nr  ~Naam~Ekstra~", "16L(2)|M~Nr~@s3@"},
        {"plain", "~Nr~", "plain"},
        {"16L~No~", "", "16L~No~"},
    };
    for (const Case& c : cases) EXPECT_EQ(VervangHeadersInFormatString(c.format, c.headers), c.result) << c.format;
}

// Damaged definitions (random bytes, wrong counts, places, lengths or CRC) read as missing,
// never as a crash or a read outside the buffer; the sanitizer build checks the reads.
TEST(Definition, DamagedDefinitionsReadAsMissing) {
    std::mt19937 random(20261208);
    auto byte = [&] { return static_cast<char>(random() & 0xFF); };
    VeldQ list;
    for (int i = 0; i < 12; ++i) list.push_back(entry(i, 9, "Text " + std::to_string(i), "Message", "Tip"));
    const std::string good = BouVeldBuffer(list);
    ASSERT_TRUE(OnttrekNaVeldQ(good));
    const std::size_t used = u32(good, 2);

    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string b;
        switch (round % 5) {
            case 0: {  // random bytes of random length
                b.resize(random() % 600);
                for (char& c : b) c = byte();
                break;
            }
            case 1: {  // one to four bytes changed in the used part
                b = good;
                for (int k = 0; k <= static_cast<int>(random() % 4); ++k) b[random() % used] = byte();
                break;
            }
            case 2: {  // cut anywhere
                b = good.substr(0, random() % used);
                break;
            }
            case 3: {  // a count, length or index slot changed, CRC made right again
                b = good;
                const std::size_t at = std::vector<std::size_t>{0, 2, 3, 10, 11, 12, 13, 58, 60, 61}[random() % 10];
                b[at] = byte();
                std::string blank = b;
                blank.replace(6, 4, "    ");
                const std::uint32_t crc = CRC32Str(blank);
                for (int k = 0; k < 4; ++k) b[6 + k] = static_cast<char>((crc >> (8 * k)) & 0xFF);
                break;
            }
            default: {  // longer than any definition
                b = good + std::string(random() % 100 + 1, 'x');
                break;
            }
        }
        auto read = OnttrekNaVeldQ(b);
        if (!read) continue;
        ++accepted;
        // Whatever is accepted is consistent with its own buffer.
        for (const VeldEntry& e : *read) EXPECT_LE(e.TEKS.size() + e.BDS.size() + e.TIP.size(), kEntryTextMax);
        auto again = *read;
        EXPECT_TRUE(OnttrekNaVeldQ(BouVeldBuffer(again)));
    }
    // A changed byte in a used part never passes the CRC.
    std::string flipped = good;
    flipped[40] ^= 0x01;
    EXPECT_FALSE(OnttrekNaVeldQ(flipped));
    EXPECT_LT(accepted, 1000);
}

}  // namespace
}  // namespace tavlo
