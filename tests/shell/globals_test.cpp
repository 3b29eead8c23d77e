#include "state/globals.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(Globals, StartValuesAndFixedSizes) {
    GLO.reset();
    EXPECT_TRUE(GLO.INIFILE.blank());
    EXPECT_TRUE(GLO.WINDOWSUSERNAME.blank());
    EXPECT_EQ(GLO.LANGUAGEMODE, kModeTranslate);
    EXPECT_EQ(GLO.LANGUAGENO, kDesignLanguage);
    EXPECT_EQ(byLanguage("Kontrole", "Control"), "Control");

    FixedString<3> op;  // the operator's field: 3 bytes
    op = "ABCD";
    EXPECT_EQ(op.str(), "ABC");
    op = "é1é";  // 5 bytes: the last character does not fit whole
    EXPECT_EQ(op.str(), "é1");
    op = "AB ";
    EXPECT_EQ(op.padded(), "AB ");
    EXPECT_TRUE(op == "AB");
    GLO.LANGUAGENO = kAfrikaans;
    EXPECT_EQ(byLanguage("Kontrole", "Control"), "Kontrole");
    GLO.reset();
    EXPECT_EQ(GLO.LANGUAGENO, kDesignLanguage);
}

}  // namespace
}  // namespace tavlo
