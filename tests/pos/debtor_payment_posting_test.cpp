// Debtor payments posted through the till's document writer: the document's rows and header, the
// tenders, numbering beside the till, all or nothing, refusals, and a payment and a sale posted at
// the same moment by two processes.
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "debtors/debtor_posting.h"
#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

using Failure = DebtorPaymentPosted::Failure;

class DebtorPaymentPosting : public PostingTest {
protected:
    DebtorPaymentPosted pay(const char* amount, std::uint8_t payment = 1, std::uint16_t debtor = kDebtor,
                            DocumentWriter::WriteFn write = {}) {
        return postDebtorPayment(*ctx_, {debtor, payment, Decimal::of(amount)}, std::move(write));
    }
    // Everything a payment may touch, to compare before and after one that must write nothing.
    std::string snapshot() {
        std::string s;
        for (const PQXT20& h : allRecords<PQXT20>(*ctx_)) s += "h" + std::to_string(h.DOCUMENTNO) + ":" + h.AMOUNT.toString() + ";";
        for (const PQXT21& r : allRecords<PQXT21>(*ctx_)) s += "r" + std::to_string(r.DETAILNUMBER) + ";";
        s += "c" + std::to_string(company(*ctx_).LASTDOCNR);
        return s;
    }
};

TEST_F(DebtorPaymentPosting, ACashPaymentCreditsTheDebtorAndDebitsTheTill) {
    const DebtorPaymentPosted posted = pay("100.00");
    ASSERT_TRUE(posted.ok()) << posted.error;
    EXPECT_EQ(posted.documentNo, 1234u);
    const std::optional<PQXT20> h = headerOf(*ctx_, 1234);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->TRANTYPENUMBER, 10);
    EXPECT_EQ(h->PAYMETHOD, 1);
    EXPECT_EQ(h->ACCNUMBER, kCashAcc);
    EXPECT_EQ(h->AMOUNT, Decimal::of("100.00"));
    EXPECT_EQ(h->NOOFENTRIES, 2);
    EXPECT_EQ(h->REFERENCE1, "A  1234");  // the prefix as stored, three characters
    EXPECT_EQ(clip(h->TRANDESC), "Debtor one");
    EXPECT_EQ(h->TRANSDATE, today());
    EXPECT_EQ(h->LOOKUPDATE, "20240315");
    EXPECT_TRUE(clip(h->TRANTIME).empty());

    const std::vector<PQXT21> rows = rowsOf(*ctx_, 1234);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].ACCNUMBER, kDebtor);
    EXPECT_EQ(rows[0].CLASSCODE, "D");
    EXPECT_EQ(rows[0].CREDIT, Decimal::of("100.00"));
    EXPECT_EQ(clip(rows[0].DESCRIPTION), "Payment");
    EXPECT_EQ(rows[0].RECORDSTATUS, 0);
    EXPECT_EQ(rows[0].DETAILNUMBER, 1u);  // the first row ever written
    EXPECT_EQ(rows[1].ACCNUMBER, kCashAcc);
    EXPECT_EQ(rows[1].CLASSCODE, "K");
    EXPECT_EQ(rows[1].DEBIT, Decimal::of("100.00"));
    EXPECT_EQ(clip(rows[1].DESCRIPTION), "Debtor one");
    EXPECT_EQ(rows[1].RECORDSTATUS, 1);
    EXPECT_EQ(rows[1].DETAILNUMBER, 2u);
    for (const PQXT21& r : rows) {
        EXPECT_EQ(r.REFERENCE1, "A  1234");
        EXPECT_TRUE(clip(r.REFERENCE2).empty());  // no operator: the cash-up leaves payments out
    }
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1234u);
    EXPECT_TRUE(allRecords<PQXH20>(*ctx_).empty());  // no history, no slip
    expectSoundDocuments(*ctx_);
}

TEST_F(DebtorPaymentPosting, EachTenderGoesToItsControlAccountAsTypeTen) {
    struct Case {
        std::uint8_t payment;
        std::uint16_t control;
    };
    for (const Case& c : {Case{1, kCashAcc}, Case{2, kCardAcc}, Case{3, kCashAcc}}) {
        const DebtorPaymentPosted posted = pay("12.50", c.payment, kDebtor2);
        ASSERT_TRUE(posted.ok()) << posted.error;
        const PQXT20 h = *headerOf(*ctx_, posted.documentNo);
        EXPECT_EQ(h.PAYMETHOD, c.payment);
        EXPECT_EQ(h.TRANTYPENUMBER, 10);
        EXPECT_EQ(h.ACCNUMBER, c.control);
        EXPECT_EQ(rowsOf(*ctx_, posted.documentNo).back().ACCNUMBER, c.control);
    }
    expectSoundDocuments(*ctx_);
}

TEST_F(DebtorPaymentPosting, InAfrikaansTheDebtorRowReadsBetaling) {
    GLO.LANGUAGENO = 2;
    const DebtorPaymentPosted posted = pay("5.00");
    ASSERT_TRUE(posted.ok());
    EXPECT_EQ(clip(rowsOf(*ctx_, posted.documentNo).front().DESCRIPTION), "Betaling");
}

TEST_F(DebtorPaymentPosting, NumbersFollowTheTillsAndNeverTakeOneInUse) {
    // A sale at the till, then two payments, then a sale: consecutive numbers and detail numbers.
    ring({{"COKE"}});
    tender(3, till_->LOC.TOTALAMOUNT);
    ASSERT_TRUE(finish());
    const std::uint32_t sale = till_->LOC.DOCUMENTNO;
    const DebtorPaymentPosted first = pay("10.00"), second = pay("20.00");
    EXPECT_EQ(first.documentNo, sale + 1);
    EXPECT_EQ(second.documentNo, sale + 2);
    EXPECT_EQ(rowsOf(*ctx_, second.documentNo).front().DETAILNUMBER, rowsOf(*ctx_, first.documentNo).back().DETAILNUMBER + 1);
    ring({{"MILK"}});
    tender(3, till_->LOC.TOTALAMOUNT);
    ASSERT_TRUE(finish());
    EXPECT_EQ(till_->LOC.DOCUMENTNO, sale + 3);

    // Another station added a header without raising the counter: the payment steps past it.
    auto& t20 = ctx_->access<PQXT20>();
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = sale + 4;
    t20.rec.NOOFENTRIES = 0;  // left unfinished by a posting that died
    ASSERT_EQ(t20.add(), ErrNone);
    const DebtorPaymentPosted third = pay("30.00");
    EXPECT_EQ(third.documentNo, sale + 5);
    // Only the payment's own header was completed: the unfinished one is left as it was.
    EXPECT_EQ(headerOf(*ctx_, sale + 4)->NOOFENTRIES, 0);
    EXPECT_TRUE(rowsOf(*ctx_, sale + 4).empty());
    EXPECT_EQ(company(*ctx_).LASTDOCNR, sale + 5);
}

TEST_F(DebtorPaymentPosting, WhatCannotBePostedIsRefusedBeforeAnythingIsWritten) {
    const std::string before = snapshot();
    EXPECT_EQ(pay("10.00", 1, 0).failure, Failure::NoDebtor);
    EXPECT_EQ(pay("10.00", 1, 7777).failure, Failure::NoDebtor);  // no such account
    EXPECT_EQ(pay("10.00", 0).failure, Failure::NoTender);
    EXPECT_EQ(pay("10.00", 4).failure, Failure::NoTender);
    EXPECT_EQ(pay("0.00").failure, Failure::NoAmount);
    EXPECT_EQ(pay("-5.00").failure, Failure::NoAmount);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(DebtorPaymentPosting, AFailedWriteAnywhereLeavesNothingBehind) {
    // The writes of one payment: header, debtor row, control row, header totals, counter.
    for (int failing = 1; failing <= 5; ++failing) {
        SCOPED_TRACE("write " + std::to_string(failing));
        const std::string before = snapshot();
        int seen = 0;
        const DebtorPaymentPosted posted = pay("10.00", 1, kDebtor, [&](FileManagerBase& file, WriteOp op) {
            if (++seen == failing) return static_cast<int>(ErrEngine);
            switch (op) {
                case WriteOp::Add: return static_cast<int>(file.add());
                case WriteOp::Put: return static_cast<int>(file.put());
                case WriteOp::Erase: return static_cast<int>(file.erase());
            }
            return static_cast<int>(ErrEngine);
        });
        EXPECT_FALSE(posted.ok());
        EXPECT_EQ(posted.failure, failing == 2 ? Failure::DebtorRow : Failure::Storage);
        EXPECT_FALSE(posted.error.empty());
        EXPECT_EQ(snapshot(), before);
    }
    // And the next one posts whole under the number the failed ones would have had.
    const DebtorPaymentPosted posted = pay("10.00");
    ASSERT_TRUE(posted.ok());
    EXPECT_EQ(posted.documentNo, 1234u);
    expectSoundDocuments(*ctx_);
}

TEST_F(DebtorPaymentPosting, TablesHeldElsewhereAreReportedAsBusy) {
    Context other(folder_.path());
    other.relate<PQXT21>().Open();
    auto held = other.transaction<PQXT21>(std::chrono::milliseconds(1000));
    ASSERT_TRUE(held.active());
    const std::string before = snapshot();
    const DebtorPaymentPosted posted = pay("10.00");
    EXPECT_EQ(posted.failure, Failure::LockedOut);
    held.rollback();
    EXPECT_EQ(snapshot(), before);
}

TEST_F(DebtorPaymentPosting, TheCallersDebtorStaysInTheAccountBuffer) {
    auto& a10 = ctx_->access<PQXA10>();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = kDebtor2;
    ASSERT_EQ(a10.get(PA10::AccNumberKey), ErrNone);
    ASSERT_TRUE(pay("10.00", 2, kDebtor2).ok());
    EXPECT_EQ(a10.rec.ACCNUMBER, kDebtor2);
    EXPECT_EQ(clip(a10.rec.ACCDESC), "Debtor two");
}

// Two processes at the same moment: one takes payments, the other rings up sales.
TEST_F(DebtorPaymentPosting, PaymentsAndSalesFromTwoProcessesGetUniqueNumbersAndBalance) {
    constexpr int kEach = 30;
    // No connection is carried into the children.
    till_.reset();
    ctx_.reset();
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    auto child = [&](bool payments) {
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        ::close(start[1]);
        setMessageHandler([](const MessageRequest& r) { return r.defaultButton; });
        char go;
        if (::read(start[0], &go, 1) != 1) ::_exit(3);
        Context ctx(folder_.path());
        useAllTables(ctx);
        if (payments) {
            for (int i = 0; i < kEach; ++i) {
                int attempts = 0;
                DebtorPaymentPosted posted;
                do posted = postDebtorPayment(ctx, {kDebtor, static_cast<std::uint8_t>(1 + i % 3), Decimal(100 + i)});
                while (posted.failure == Failure::LockedOut && ++attempts < 50);
                if (!posted.ok()) ::_exit(2);
            }
        } else {
            TillState till(ctx);
            till.Open();
            for (int i = 0; i < kEach; ++i) {
                const Decimal total = addLines(ctx, {computeLine(ctx, LineSpec("BREAD", Decimal(1 + i % 4)), till.LOC.SALESNUMBER)});
                till.LOC.PAYMENT = 2;
                till.LOC.TOTALAMOUNT = till.LOC.PAID = total;
                int attempts = 0;
                while (!till.Finished())
                    if (++attempts == 50) ::_exit(2);
            }
        }
        ::_exit(0);
    };
    const pid_t payer = child(true), tillProcess = child(false);
    ASSERT_GT(payer, 0);
    ASSERT_GT(tillProcess, 0);
    ::close(start[0]);
    ASSERT_EQ(::write(start[1], "gg", 2), 2);
    ::close(start[1]);
    for (pid_t p : {payer, tillProcess}) {
        int status = 0;
        ::waitpid(p, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    ctx_ = std::make_unique<Context>(folder_.path());
    useAllTables(*ctx_);
    expectSoundDocuments(*ctx_);
    std::set<std::uint32_t> numbers;
    int payments = 0, sales = 0;
    for (const PQXT20& h : allRecords<PQXT20>(*ctx_)) {
        EXPECT_TRUE(numbers.insert(h.DOCUMENTNO).second) << h.DOCUMENTNO;
        (h.TRANTYPENUMBER == 10 ? payments : sales)++;
    }
    EXPECT_EQ(payments, kEach);
    EXPECT_EQ(sales, kEach);
    EXPECT_EQ(company(*ctx_).LASTDOCNR, *numbers.rbegin());
    std::set<std::uint32_t> details;
    for (const PQXT21& r : allRecords<PQXT21>(*ctx_)) EXPECT_TRUE(details.insert(r.DETAILNUMBER).second);
}

}  // namespace
}  // namespace tavlo::posting_test
