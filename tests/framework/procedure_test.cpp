// Procedures driven through the test runtime: standard acceptance, focus, modal calls and
// message boxes, window numbering as the translator sees it.
#include <gtest/gtest.h>

#include "framework/errors.h"
#include "test_runtime.h"

using namespace tavlo;

namespace {

class Prompt : public Procedure {
public:
    explicit Prompt(std::string& out) : Procedure("Prompt"), out_(out) {}

protected:
    void DefineWindow(Window& w) override {
        w = Window("Prompt", 100, 40);
        w.entry(Binding(&typed_, 10), "@s10").name("Text");
        ok_ = w.button("&OK").name("OK");
        w.button("&Cancel").closes();
    }
    void TakeAccepted(int c) override {
        if (c == ok_) {
            out_ = typed_;
            close(Response::Completed);
        }
    }

private:
    std::string& out_;
    std::string typed_;
    int ok_ = 0;
};

class Till : public Procedure {
public:
    Till() : Procedure("Till") {}
    std::uint8_t cash = 1;
    Decimal paid;
    std::string prompted;
    std::vector<std::string> log;
    int paidField = 0, cashBox = 0, askButton = 0, hidden = 0, finished = 0;

protected:
    void DefineWindow(Window& w) override {
        w = Window("Till", 300, 200);
        cashBox = w.check("Cash Sales", Binding(&cash)).name("Cash");
        paidField = w.entry(Binding(&paid, 6, 2), "@n15.2").name("Paid");
        askButton = w.button("&Ask");
        hidden = w.button("&Hidden").hidden();
        finished = w.button("&Finished").disabled();
    }
    void TakeSelected(int c) override { log.push_back("selected " + std::to_string(c)); }
    void TakeAccepted(int c) override {
        log.push_back("accepted " + std::to_string(c));
        if (c == paidField && paid >= Decimal(10)) {
            window()[finished].disabled = false;
            select(finished);
        }
        if (c == askButton) {
            Prompt p(prompted);
            runtime().run(p);
            if (p.response() == Response::Completed) {
                MessageRequest m;
                m.title = "Saved";
                m.text = "Keep it?";
                m.buttons = ButtonYes | ButtonNo;
                m.defaultButton = ButtonNo;
                if (showMessage(m) == ButtonNo) prompted.clear();
            }
        }
    }
};

}  // namespace

TEST(Procedure, EntriesStoreThroughTheirPictureAndBadInputStays) {
    TestRuntime rt;
    Till till;
    auto w = rt.open(till);
    w.type("Paid", "1,234.5");
    EXPECT_EQ(till.paid, Decimal::of("1234.50"));
    EXPECT_EQ(w.text("Paid"), "       1,234.50");
    w.type("Paid", "abc");
    EXPECT_EQ(till.paid, Decimal::of("1234.50"));
    int accepted = 0;
    for (const auto& l : till.log) accepted += l.rfind("accepted", 0) == 0;
    EXPECT_EQ(accepted, 1);
    w.type("Paid", "99999999999");  // more digits than DECIMAL(6,2) holds
    EXPECT_EQ(till.paid, Decimal::of("1234.50"));
}

TEST(Procedure, CheckBoxesStoreTheirValues) {
    TestRuntime rt;
    Till till;
    auto w = rt.open(till);
    EXPECT_TRUE(w.checked("Cash"));
    w.tick("Cash", false);
    EXPECT_EQ(till.cash, 0);
    EXPECT_FALSE(w.checked("Cash"));
    w.tick("Cash", true);
    EXPECT_EQ(till.cash, 1);
}

TEST(Procedure, SelectMovesTheFocusAndRaisesSelected) {
    TestRuntime rt;
    Till till;
    auto w = rt.open(till);
    EXPECT_EQ(w.focused(), till.cashBox);  // the first control that takes the focus
    w.type("Paid", "10");
    EXPECT_EQ(w.focused(), till.finished);
    EXPECT_EQ(till.log.back(), "selected " + std::to_string(till.finished));
    EXPECT_TRUE(w.enabled("Finished"));
}

TEST(Procedure, OperatorCannotUseHiddenOrDisabledControls) {
    TestRuntime rt;
    Till till;
    auto w = rt.open(till);
    EXPECT_THROW(w.press("Hidden"), std::logic_error);
    EXPECT_THROW(w.press("Finished"), std::logic_error);
    w.tab();
    EXPECT_EQ(w.focused(), till.paidField);
    w.tab();
    w.tab();  // past the hidden and disabled buttons, round to the start
    EXPECT_EQ(w.focused(), till.cashBox);
}

TEST(Procedure, ModalCallsRunTheirScriptAndMessagesAreAnswered) {
    TestRuntime rt;
    rt.onOpen("Prompt", [](TestWindow& p) {
        p.type("Text", "hello world, longer than ten");
        p.press("OK");
    });
    Till till;
    auto w = rt.open(till);
    rt.messageAnswers.push_back(ButtonYes);
    w.press("Ask");
    EXPECT_EQ(till.prompted, "hello worl");  // STRING(10)
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_EQ(rt.messages[0].title, "Saved");
    EXPECT_EQ(rt.ran, (std::vector<std::string>{"Prompt"}));

    w.press("Ask");  // no answer queued: the default button (No)
    EXPECT_EQ(till.prompted, "");

    rt.onOpen("Prompt", nullptr);
    till.prompted = "x";
    w.press("Ask");  // no script: closed with the close box, cancelled
    EXPECT_EQ(till.prompted, "x");
    EXPECT_EQ(rt.messages.size(), 2u);
}

TEST(Procedure, AnsweringWithAButtonTheBoxLacksIsAnError) {
    TestRuntime rt;
    rt.messageAnswers.push_back(ButtonCancel);
    MessageRequest m;
    EXPECT_THROW(showMessage(m), std::logic_error);
}

TEST(Procedure, InitNamesTheProcedureAndKillGivesTheNameBack) {
    TestRuntime rt;
    GlobalErrors().SetProcedureName("Outer");
    {
        Till till;
        auto w = rt.open(till);
        EXPECT_EQ(GlobalErrors().procedureName(), "Till");
        w.closeBox();
        EXPECT_FALSE(w.isOpen());
    }
    EXPECT_EQ(GlobalErrors().procedureName(), "Outer");
    GlobalErrors().SetProcedureName("");
}

TEST(Window, ControlsAreNumberedInOrderAndReadByNumber) {
    Window w("Point Of Sale", 596, 323);
    int a = w.button("&Insert");
    int list = w.list(std::make_shared<ListControl>(std::vector<ListColumn>{{"No", "@s3", 16}, {"Name", "@s25", 100}},
                                                     std::make_shared<MemoryRows>()));
    EXPECT_EQ(a, 1);
    EXPECT_EQ(list, 2);
    EXPECT_EQ(w.typeCode(0), 25);
    EXPECT_EQ(w.typeCode(a), 9);
    EXPECT_EQ(w.typeCode(list), 14);
    EXPECT_EQ(w.typeCode(3), 0);
    EXPECT_EQ(w.text(0), "Point Of Sale");
    EXPECT_EQ(w.format(list), "16L(2)|M~No~@s3@100L(2)|M~Name~@s25@");
    w.setFormat(list, "16L(2)|M~Nr~@s3@");  // fewer headings: later columns keep theirs
    EXPECT_EQ(w.format(list), "16L(2)|M~Nr~@s3@100L(2)|M~Name~@s25@");
    w.setText(0, "Verkoopspunt");
    EXPECT_EQ(w.title, "Verkoopspunt");
    w.setText(9, "ignored");  // no such control
}

TEST(Window, RemovedRunTimeMenusGiveTheirNumbersBack) {
    Window w("Frame", 100, 100, ControlKind::Frame);
    int bar = w.menuBar();
    w.menu("&File", bar);
    int lang = w.menu("Language", bar);
    w.item("English", lang);
    w.item("Afrikaans", lang);
    EXPECT_EQ(w.lastControl(), 5);
    w.remove(lang);
    EXPECT_EQ(w.lastControl(), 2);
    EXPECT_EQ(w.menu("Taal", bar), 3);
}
