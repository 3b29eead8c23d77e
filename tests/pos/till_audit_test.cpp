// Every supervisor action at the till leaves its row in the audit trail: who, how supervisor mode
// was reached (own or master password), the document or item, the old and the new value.
#include <functional>

#include "operators/audit.h"
#include "till_fixture.h"

namespace tavlo::till_test {
namespace {

struct Expected {
    AuditAction action;
    SupervisorSource source;
    std::string document;  // "#" stands for the number of the document the sale was posted as
    std::string oldValue, newValue;
};

struct AuditCase {
    const char* name;
    std::function<void(TillTest&, TestWindow&)> act;
    std::vector<Expected> rows;
};

using A = AuditAction;
using S = SupervisorSource;

class TillAudit : public TillTest, public ::testing::WithParamInterface<AuditCase> {
protected:
    std::vector<PQXAUDIT> auditRows() {
        auto& a = ctx_->access<PQXAUDIT>();
        a.UseFile();
        a.clearBuffer();
        a.Set(PAUD::EntryNoKey);
        std::vector<PQXAUDIT> out;
        while (a.TryNext() == LevelBenign) out.push_back(a.rec);
        a.Close();
        return out;
    }
    std::string postedDocument() {
        auto headers = allRecords<PQXT20>(*ctx_);
        return headers.empty() ? std::string("(none)") : std::to_string(headers.front().DOCUMENTNO);
    }
};

void supervisorMode(TillTest& t, TestWindow& w, const char* password) {
    t.answerSupervisor(password);
    w.press("SupButton");
}

void creditNote(TillTest& t, TestWindow& w, const char* password, const char* item, const char* paid) {
    t.answerSupervisor(password);
    w.tick("CreditNote", true);
    t.ring(item);
    t.tender(paid);
    t.finish();
}

TEST_P(TillAudit, SupervisorActionIsWrittenOnce) {
    TestWindow& w = openTill();
    GetParam().act(*this, w);
    const auto rows = auditRows();
    const auto& want = GetParam().rows;
    ASSERT_EQ(rows.size(), want.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(rows[i].ACTION, static_cast<int>(want[i].action));
        EXPECT_EQ(rows[i].SOURCE, static_cast<int>(want[i].source));
        EXPECT_EQ(rows[i].DOCUMENT, want[i].document == "#" ? postedDocument() : want[i].document);
        EXPECT_EQ(rows[i].OLDVALUE, want[i].oldValue);
        EXPECT_EQ(rows[i].NEWVALUE, want[i].newValue);
        EXPECT_EQ(rows[i].OPERATORNO, "OP1");
        EXPECT_EQ(rows[i].AUDITDATE, dayNumber(2024, 3, 15));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Till, TillAudit,
    ::testing::Values(
        AuditCase{"CreditNoteByOwnPassword",
                  [](TillTest& t, TestWindow& w) { creditNote(t, w, kSupervisorPassword, "SOAP", "5.82"); },
                  {{A::CreditNote, S::OwnPassword, "#", "", "5.82"}}},
        AuditCase{"CreditNoteByMasterPassword",
                  [](TillTest& t, TestWindow& w) { creditNote(t, w, "KVT", "COKE", "11.50"); },
                  {{A::MasterPassword, S::MasterPassword, "Credit Note", "", ""},
                   {A::CreditNote, S::MasterPassword, "#", "", "11.50"}}},
        AuditCase{"CreditNoteRefusedLeavesNoRow",
                  [](TillTest& t, TestWindow& w) {
                      t.answerSupervisor("guess");
                      w.tick("CreditNote", true);
                  },
                  {}},
        AuditCase{"PriceStoredOnTheItem",
                  [](TillTest& t, TestWindow& w) {
                      supervisorMode(t, w, kSupervisorPassword);
                      t.rt_.messageAnswers.push_back(ButtonYes);
                      t.ring("SOAP", "1", "0", "4.00");
                  },
                  {{A::PriceChanged, S::OwnPassword, "SOAP", "5.06", "4.00"}}},
        AuditCase{"PriceOnThisLineOnlyIsNoChange",
                  [](TillTest& t, TestWindow& w) {
                      supervisorMode(t, w, kSupervisorPassword);
                      t.rt_.messageAnswers.push_back(ButtonNo);
                      t.ring("SOAP", "1", "0", "4.00");
                  },
                  {}},
        AuditCase{"MasterPasswordForSupervisorMode",
                  [](TillTest& t, TestWindow& w) {
                      supervisorMode(t, w, "KVT");
                      t.rt_.messageAnswers.push_back(ButtonYes);
                      t.ring("BEER", "1", "0", "31.50");
                  },
                  {{A::MasterPassword, S::MasterPassword, "Supervisor", "", ""},
                   {A::PriceChanged, S::MasterPassword, "BEER", "30.00", "31.50"}}},
        AuditCase{"LineDeleted",
                  [](TillTest& t, TestWindow& w) {
                      supervisorMode(t, w, kSupervisorPassword);
                      t.ring("SOAP", "2");
                      w.edit("List", "", Key::of(Key::Esc));
                      w.selectRow("List", 0);
                      t.rt_.messageAnswers.push_back(ButtonYes);
                      w.press("Delete");
                  },
                  {{A::LineDeleted, S::OwnPassword, "SOAP", "2.000 x 11.64", ""}}},
        AuditCase{"SaleDiscardedAtClose",
                  [](TillTest& t, TestWindow& w) {
                      t.ring("SOAP");
                      t.rt_.messageAnswers.push_back(ButtonYes);
                      w.press("CloseButton");
                  },
                  {{A::SaleDiscarded, S::None, "11", "5.82", ""}}},
        AuditCase{"SaleKeptAtCloseLeavesNoRow",
                  [](TillTest& t, TestWindow& w) {
                      t.ring("SOAP");
                      t.rt_.messageAnswers.push_back(ButtonNo);
                      w.press("CloseButton");
                  },
                  {}}),
    [](const ::testing::TestParamInfo<AuditCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavlo::till_test
