// A failure in a window's own code stops at the window: shown, rolled back, that window closed.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "data/file_manager.h"
#include "data/tables.h"
#include "framework/errors.h"
#include "test_runtime.h"
#include "support.h"

using namespace tavlo;
using namespace std::chrono_literals;

namespace {

// Posts a header inside a transaction and then fails in one of several ways before committing.
class Poster : public Procedure {
public:
    enum class Fails { None, InInit, RuntimeError, Overflow, Halt };
    explicit Poster(Fails fails) : Procedure("Poster"), fails_(fails) {}
    bool killed = false;

protected:
    bool OpenTables() override {
        if (fails_ == Fails::InInit) throw std::runtime_error("cannot open");
        context().relate<PQXT20>().Open();
        return true;
    }
    void CloseTables() override { context().relate<PQXT20>().Close(); }
    void Kill() override {
        killed = true;
        Procedure::Kill();
    }
    void DefineWindow(Window& w) override {
        w = Window("Poster", 100, 40);
        post_ = w.button("&Post");
    }
    void TakeAccepted(int c) override {
        if (c != post_) return;
        auto& t20 = context().access<PQXT20>();
        auto tx = context().transaction<PQXT20>(1s);
        ASSERT_TRUE(tx.active()) << tx.errorText();
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = 7;
        ASSERT_EQ(t20.add(), ErrNone);
        if (fails_ == Fails::RuntimeError) throw std::runtime_error("the printer went away");
        if (fails_ == Fails::Halt) GlobalErrors().Throw(29);
        if (fails_ == Fails::Overflow) {
            Decimal big = Decimal::of("999999999999999999999999999999999999");
            total_ = big * big;  // DecimalOverflow
        }
        tx.commit();
    }

private:
    Fails fails_;
    Decimal total_;
    int post_ = 0;
};

// Calls the poster modally, as a frame calls a window.
class Caller : public Procedure {
public:
    explicit Caller(Poster::Fails fails) : Procedure("Caller"), fails_(fails) {}

protected:
    void DefineWindow(Window& w) override {
        w = Window("Caller", 100, 40);
        call_ = w.button("&Call");
    }
    void TakeAccepted(int c) override {
        if (c != call_) return;
        Poster poster(fails_);
        runtime().run(poster);
    }

private:
    Poster::Fails fails_;
    int call_ = 0;
};

struct Edge : ::testing::Test {
    support::TempFolder folder;
    TestRuntime rt;
    Edge() {
        setContextFactory([this] { return std::make_shared<Context>(folder.path()); });
    }
    ~Edge() override { setContextFactory(nullptr); }
    long long headers() {
        Context ctx(folder.path());
        ctx.relate<PQXT20>().Open();
        long long n = ctx.access<PQXT20>().records();
        ctx.relate<PQXT20>().Close();
        return n;
    }
};

TEST_F(Edge, AFailingHandlerRollsBackShowsTheCauseAndClosesOnlyItsWindow) {
    for (auto fails : {Poster::Fails::RuntimeError, Poster::Fails::Overflow}) {
        rt.messages.clear();
        rt.onOpen("Poster", [](TestWindow& w) { w.press("Post"); });
        Caller caller(fails);
        auto w = rt.open(caller);
        w.press("Call");
        EXPECT_TRUE(w.isOpen());  // the caller goes on
        EXPECT_EQ(headers(), 0);  // the half-made posting was rolled back
        ASSERT_EQ(rt.messages.size(), 1u);
        EXPECT_EQ(rt.messages[0].title, "Program Error");
        EXPECT_NE(rt.messages[0].text.find("Poster"), std::string::npos);
        if (fails == Poster::Fails::RuntimeError) {
            EXPECT_NE(rt.messages[0].text.find("the printer went away"), std::string::npos);
        }
        rt.finish(w);
    }
    // Without a failure the same window posts.
    Poster poster(Poster::Fails::None);
    auto w = rt.open(poster);
    w.press("Post");
    EXPECT_EQ(headers(), 1);
}

TEST_F(Edge, AFailingInitNeverOpensTheWindowAndStillKills) {
    Poster poster(Poster::Fails::InInit);
    auto w = rt.open(poster);
    EXPECT_FALSE(w.isOpen());
    EXPECT_TRUE(poster.killed);
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_NE(rt.messages[0].text.find("cannot open"), std::string::npos);
}

TEST_F(Edge, AFatalErrorStillEndsTheProgramAfterRollingBack) {
    Poster poster(Poster::Fails::Halt);
    auto w = rt.open(poster);
    EXPECT_THROW(w.press("Post"), ProgramHalt);
    EXPECT_EQ(headers(), 0);
}

}  // namespace
