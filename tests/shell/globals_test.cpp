#include "shell/globals.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(Globals, StartValuesAndFixedSizes) {
    GLO.reset();
    EXPECT_TRUE(GLO.OPERATOR.blank());
    EXPECT_TRUE(GLO.INIFILE.blank());
    EXPECT_TRUE(GLO.WINDOWSUSERNAME.blank());
    EXPECT_EQ(GLO.LANGUAGEMODE, kModeTranslate);
    EXPECT_EQ(GLO.LANGUAGENO, kDesignLanguage);
    EXPECT_EQ(byLanguage("Kontrole", "Control"), "Control");

    GLO.OPERATOR = "ABCD";
    EXPECT_EQ(GLO.OPERATOR.str(), "ABC");
    GLO.OPERATOR = "é1é";  // 5 bytes: the last character does not fit whole
    EXPECT_EQ(GLO.OPERATOR.str(), "é1");
    GLO.OPERATOR = "AB ";
    EXPECT_EQ(GLO.OPERATOR.padded(), "AB ");
    EXPECT_TRUE(GLO.OPERATOR == "AB");
    GLO.LANGUAGENO = kAfrikaans;
    EXPECT_EQ(byLanguage("Kontrole", "Control"), "Kontrole");
    GLO.reset();
    EXPECT_TRUE(GLO.OPERATOR.blank());
}

}  // namespace
}  // namespace tavlo
