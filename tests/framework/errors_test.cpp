#include "framework/errors.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "framework/message.h"
#include "support.h"

namespace tavlo {
namespace {

class Errors : public ::testing::Test {
protected:
    void SetUp() override {
        errors.SetFile("PQxT20.tps");
        errors.SetErrors(2, "File Not Found");
    }
    ErrorClass errors;  // a fresh reporter per test
    support::MessageScript boxes;
};

TEST_F(Errors, CatalogueHoldsItsEntriesIntact) {
    EXPECT_EQ(catalogueSize(), 54u);
    std::set<int> ids;
    for (int id = 0; id < 70; ++id)
        if (findCatalogueEntry(id)) ids.insert(id);
    EXPECT_EQ(ids.size(), 54u);
    for (int missing : {0, 17, 35, 57}) EXPECT_EQ(findCatalogueEntry(missing), nullptr);
    const CatalogueEntry* e = findCatalogueEntry(26);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->level, LevelFatal);
    EXPECT_STREQ(e->text,
                 "%File has an invalid File structure.|Error: %ErrorCode - %Error|FileError: %FileErrorCode - "
                 "%FileError|");
    EXPECT_STREQ(findCatalogueEntry(55)->text, "Poorly Formed Comment String \"%Message\" at Position %Field.");
    EXPECT_STREQ(findCatalogueEntry(48)->text, "The following SMTP Error occurred: %Message ");
    EXPECT_EQ(findCatalogueEntry(45)->level, LevelProgram);
    EXPECT_EQ(findCatalogueEntry(38)->level, LevelUser);
}

TEST_F(Errors, PlaceholdersAreReplacedLongestFirst) {
    errors.SetKey("PT20:DocumentNoKey");
    errors.SetField("PT20:AMOUNT");
    errors.SetMessage("the message");
    errors.SetProcedureName("Main");
    errors.SetCategory("Storage");
    errors.SetErrors(90, "File System Error", "5", "Access denied");
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"%File / %FileError / %FileErrorCode", "PQxT20.tps / Access denied / 5"},
        {"%ErrorCode|%Error|%ErrorText", "90|File System Error|Access denied (5)"},
        {"%Key %Field %Message %Procedure %Category", "PT20:DocumentNoKey PT20:AMOUNT the message Main Storage"},
        {"%File%File", "PQxT20.tpsPQxT20.tps"},
        {"[%Previous]", "[]"},
        {"100%", "100%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(errors.SubstituteText(std::string(c.text)), c.expected);
    }
}

TEST_F(Errors, ErrorTextNamesTheDriverOnlyForItsOwnCodes) {
    const struct {
        int code;
        const char* expected;
    } cases[] = {
        {90, "Disk full (39)"}, {100, "Disk full (39)"}, {47, "Disk full (39)"},
        {2, "File Not Found (2)"}, {5, "File Not Found (5)"}, {0, "File Not Found (0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        errors.SetErrors(c.code, "File Not Found", "39", "Disk full");
        EXPECT_EQ(errors.SubstituteText("%ErrorText"), c.expected);
    }
}

TEST_F(Errors, NoticeShowsOkAndReturnsNotify) {
    EXPECT_EQ(errors.ThrowMessage(15, "PT20:DocumentNoKey"), LevelNotify);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const MessageRequest& box = boxes.shown[0];
    EXPECT_EQ(box.title, "Duplicate Key Error");
    EXPECT_EQ(box.text, "Adding this record creates a duplicate entry for the key: PT20:DocumentNoKey");
    EXPECT_EQ(box.icon, Icon::Information);
    EXPECT_EQ(box.buttons, ButtonOk);
}

TEST_F(Errors, QuestionsReturnBenignForYesAndCancelOtherwise) {
    for (unsigned b : {ButtonYes, ButtonNo, ButtonCancel}) boxes.answer(b);
    EXPECT_EQ(errors.Throw(11), LevelBenign);
    EXPECT_EQ(errors.Throw(11), LevelCancel);
    EXPECT_EQ(errors.Throw(11), LevelCancel);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].title, "Confirm Delete");
    EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(boxes.shown[0].buttons, ButtonYes | ButtonNo);
    EXPECT_EQ(boxes.shown[0].defaultButton, ButtonYes);
    EXPECT_EQ(errors.Throw(11), LevelBenign);  // nobody answers: the default, Yes
}

TEST_F(Errors, FatalAndProgramLevelsEndTheProgramAfterOk) {
    for (int id : {29, 45}) {
        SCOPED_TRACE(id);
        boxes.shown.clear();
        try {
            errors.Throw(id);
            FAIL() << "no halt";
        } catch (const ProgramHalt& halt) {
            EXPECT_EQ(halt.id, id);
        }
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].icon, Icon::Information);
        EXPECT_EQ(boxes.shown[0].buttons, ButtonOk);
    }
    EXPECT_EQ(boxes.shown[0].title, "File Usage Error");
    EXPECT_EQ(boxes.shown[0].text,
              "Attempt to use file (PQxT20.tps) before it was opened  Press OK to end this application");
    errors.SetFile("PQxA301.tps");
    errors.SetErrors(2, "File Not Found");
    EXPECT_THROW(errors.Throw(29), ProgramHalt);
    EXPECT_EQ(boxes.shown.back().title, "File Access Error");
    EXPECT_EQ(boxes.shown.back().text,
              "File PQxA301.tps could not be opened.  Error: File Not Found (2).  Press OK to end this application");
}

TEST_F(Errors, PreviousIsTheLastErrorShown) {
    errors.Throw(28);
    EXPECT_EQ(errors.SubstituteText("was: %Previous"), "was: There are no records available to process.");
    errors.Throw(7);
    EXPECT_EQ(errors.previous(), "This record was changed by another station.");
}

TEST_F(Errors, UnknownIdIsANoticeNotACrash) {
    EXPECT_EQ(errors.Throw(999), LevelNotify);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Unknown error 999.");
}

TEST_F(Errors, TextIsCutAtTwoThousandBytes) {
    errors.SetMessage(std::string(3000, 'x'));
    EXPECT_EQ(errors.SubstituteText(15).size(), 2000u);
}

TEST(GlobalErrorsTest, IsOneProgramWideReporter) {
    GlobalErrors().SetProcedureName("Main");
    EXPECT_EQ(&GlobalErrors(), &GlobalErrors());
    EXPECT_EQ(GlobalErrors().procedureName(), "Main");
    GlobalErrors().SetProcedureName("");
}

}  // namespace
}  // namespace tavlo
