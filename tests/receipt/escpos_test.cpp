// The receipt's byte stream read back: code pages, line widths, cut and drawer pulse.
#include <gtest/gtest.h>

#include "escpos_decoder.h"
#include "receipt/escpos.h"
#include "state/globals.h"
#include "support.h"

namespace tavlo::receipt {
namespace {

using testing::decode;

std::size_t utf8Chars(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

Receipt sample() {
    Receipt r;
    r.company = "Kafee Têëôï & Seuns";
    r.address1 = "1 Kerkstraat";
    r.telNr = "011 555 1234";
    r.vatNr = "4123456789";
    r.heading = "Belastingfaktuur";
    r.lines = {{"BRÔODJIE-MET-'N-BAIE-LANG-KODE", "Bruin brood met 'n lang beskrywing wat nie pas nie", Decimal::of("-2"),
                Decimal::of("11.50"), Decimal::of("-23.00")},
               {"SOAP", "Seep", Decimal::of("1234.5"), Decimal::of("99999.99"), Decimal::of("9999999.99")}};
    r.vat = Decimal::of("3.00");
    r.total = Decimal::of("9999976.99");
    r.rounding = Decimal::of("-0.02");
    r.payType = "Kontant";
    r.paid = Decimal::of("10000000.00");
    r.change = Decimal::of("23.03");
    r.client = "Smith Handelaars (Edms) Bpk";
    r.debtorAddress = {"12 Hoofweg", "1559", "Springs   1559"};
    r.debtorDetails = true;
    r.debtorVat = "4999999999";
    r.orderNo = "ORD-77";
    r.date = dayNumber(2026, 12, 8);
    r.time = "14:05";
    r.document = "AB1234";
    r.payMethod = 1;
    return r;
}

TEST(EscPos, AfrikaansLettersGoOutInTheChosenCodePage) {
    struct Case {
        CodePage page;
        int n;
        char e_circumflex;
    };
    for (const Case& c : {Case{CodePage::CP850, 2, '\x88'}, Case{CodePage::CP1252, 16, '\xEA'}}) {
        PrintFormat f;
        f.codePage = c.page;
        const std::string bytes = renderReceipt(sample(), f, false);
        EXPECT_NE(bytes.find(c.e_circumflex), std::string::npos);
        auto printed = decode(bytes);
        EXPECT_EQ(printed.codePage, c.n);
        EXPECT_EQ(printed.unknown, "");
        EXPECT_TRUE(printed.hasLine("Kafee Têëôï & Seuns")) << printed.all();
        EXPECT_NE(printed.all().find("BRÔODJIE"), std::string::npos);
    }
    // What a page cannot print is a question mark, and text never carries a control byte.
    EXPECT_EQ(toCodePage("R€5", CodePage::CP850), "R?5");
    EXPECT_EQ(toCodePage("R€5", CodePage::CP1252), "R\x80" "5");
    EXPECT_EQ(toCodePage("a\x1b" "b\x1d" "c\n", CodePage::CP850), "a?b?c?");
    EXPECT_EQ(toCodePage("\xC3", CodePage::CP850), "?");  // a cut-off character
}

TEST(EscPos, EveryLineFitsThePaperAndTheFiguresStayWhole) {
    support::ProgramStateGuard state;
    for (GLO.LANGUAGENO = 1; GLO.LANGUAGENO <= 2; ++GLO.LANGUAGENO)
        for (int width : {48, 32}) {
            auto lines = layoutReceipt(sample(), width);
            std::string all;
            for (const PrintLine& l : lines) {
                EXPECT_LE(utf8Chars(l.text), static_cast<std::size_t>(width)) << l.text;
                all += l.text + "\n";
            }
            for (const char* figure : {"-2.000", "11.50", "-23.00", "1,234.500", "99,999.99", "9,999,999.99", "3.00",
                                       "9,999,976.99", "-0.02", "10,000,000.00", "23.03", "08/12/2026", "14:05", "AB1234",
                                       "12 Hoofweg", "Springs   1559", "4999999999", "ORD-77"})
                EXPECT_NE(all.find(figure), std::string::npos) << width << " columns lack " << figure << "\n" << all;
        }
}

TEST(EscPos, CutThenDrawerPulseOnTheChosenPin) {
    PrintFormat f;
    f.drawerPin = 5;
    f.pulseOnMs = 120;
    f.pulseOffMs = 240;
    auto printed = decode(renderReceipt(sample(), f, true));
    EXPECT_EQ(printed.events, (std::vector<std::string>{"init", "text", "cut", "kick"}));
    ASSERT_EQ(printed.kicks.size(), 1u);
    EXPECT_EQ(printed.kicks[0].pin, 1);
    EXPECT_EQ(printed.kicks[0].on, 60);
    EXPECT_EQ(printed.kicks[0].off, 120);

    f.drawerPin = 2;
    f.cut = false;
    printed = decode(renderReceipt(sample(), f, false));
    EXPECT_EQ(printed.cuts, 0);
    EXPECT_TRUE(printed.kicks.empty());

    printed = decode(drawerJob(f));
    EXPECT_EQ(printed.events, (std::vector<std::string>{"init", "kick"}));
    EXPECT_EQ(printed.kicks.at(0).pin, 0);
}

}  // namespace
}  // namespace tavlo::receipt
