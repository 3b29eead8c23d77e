// Typed text is made sound where it enters: whatever an entry stores is valid UTF-8 without
// control characters.
#include <gtest/gtest.h>

#include <random>

#include "test_runtime.h"
#include "framework/value.h"

using namespace tavlo;

namespace {

// UTF-8 read the long way: the code point from the lead byte's bit count, then its encoding
// must be the shortest, no surrogate and no more than U+10FFFF.
bool wellFormed(const std::string& s, bool& hasControl) {
    hasControl = false;
    for (std::size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) return false;
        std::uint32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
        for (int k = 1; k <= extra; ++k) {
            auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static const std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) hasControl = true;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD

TEST(TypedText, BadSequencesAreReplacedAndControlsDropped) {
    const struct {
        std::string typed, kept;
    } cases[] = {
        {"Brood", "Brood"},
        {"Rëkening \xE2\x82\xAC 5 \xF0\x9F\x8D\x9E", "Rëkening \xE2\x82\xAC 5 \xF0\x9F\x8D\x9E"},
        {std::string("a\0b", 3) + "\t\r\n\x1B[31mc\x7F", "ab[31mc"},
        {"x\xC2\x85y\xC2\x9F", "xy"},                      // C1 controls
        {"\xC3", kBad},                                      // cut short at the end
        {"\xE2\x82x", kBad + "x"},                           // cut short before a letter
        {"\xC0\xAF", kBad + kBad},                           // overlong "/"
        {"\xE0\x80\xAF", kBad + kBad + kBad},                // overlong, three bytes
        {"\xED\xA0\x80", kBad + kBad + kBad},                // a surrogate
        {"\xF4\x90\x80\x80", kBad + kBad + kBad + kBad},     // past U+10FFFF
        {"\xF0\x9F\x8D", kBad},                              // three of four bytes: one error
        {"\xFF\xFE", kBad + kBad},
        {"\x80 \xBF", kBad + " " + kBad},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(soundTypedText(c.typed), c.kept);
    }
}

TEST(TypedText, AnyBytesComeOutSoundAndSoundTextStaysAsItIs) {
    std::mt19937 rng(20240611);
    // Bytes drawn mostly from where the trouble is: controls, continuation and lead bytes.
    const std::string pool = std::string("\x00\x01\x09\x0A\x1B\x1F\x7F", 7) +
                             "aZ 9\x80\x8F\x9F\xA0\xBF\xC0\xC1\xC2\xC3\xDF\xE0\xE1\xED\xEE\xEF\xF0\xF1\xF4\xF5\xFF";
    for (int round = 0; round < 5000; ++round) {
        std::string typed;
        const int length = static_cast<int>(rng() % 24);
        for (int i = 0; i < length; ++i) typed += pool[rng() % pool.size()];
        const std::string kept = soundTypedText(typed);
        bool control = false;
        ASSERT_TRUE(wellFormed(kept, control)) << testing::PrintToString(typed);
        ASSERT_FALSE(control) << testing::PrintToString(typed);
        ASSERT_EQ(soundTypedText(kept), kept) << testing::PrintToString(typed);
        bool typedControl = false;
        if (wellFormed(typed, typedControl) && !typedControl) {
            ASSERT_EQ(kept, typed);
        }
    }
}

class Entry : public Procedure {
public:
    Entry() : Procedure("Entry") {}
    std::string name;
    Decimal amount;

protected:
    void DefineWindow(Window& w) override {
        w = Window("Entry", 100, 40);
        w.entry(Binding(&name, 10), "@s10").name("Name");
        w.entry(Binding(&amount, 6, 2), "@n-10.2").name("Amount");
    }
};

TEST(TypedText, WhatAnEntryStoresIsSound) {
    TestRuntime rt;
    Entry entry;
    auto w = rt.open(entry);
    w.type("Name", "Mel\xEBk\x07\xC3");  // Latin-1 "ë", a bell, a cut-off character
    EXPECT_EQ(entry.name, "Mel" + kBad + "k" + kBad);
    w.type("Name", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");  // twelve bytes into STRING(10)
    EXPECT_EQ(entry.name, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    w.type("Amount", "12.5\x1B");
    EXPECT_EQ(entry.amount, Decimal::of("12.50"));
}

}  // namespace
