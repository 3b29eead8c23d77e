// Every window and report of the program against the shipped language store: captured, each
// one's design texts are what the store's source says (so no window reads as outdated), every
// design text has its Afrikaans, and opened in Afrikaans every text shows it. A control added
// without its translation fails here.
#include <cstdlib>
#include <fstream>
#include <functional>

#include "data/demo_data.h"
#include "debtors/debtor_payment.h"
#include "data/file_manager.h"
#include "test_runtime.h"
#include "operators/sup_password.h"
#include "operators/access.h"
#include "operators/access_dialogs.h"
#include "operators/operators.h"
#include "operators/user_details.h"
#include "exchange/delete_transactions.h"
#include "exchange/pos_backups.h"
#include "exchange/pos_restore.h"
#include "exchange/runner.h"
#include "pos/lookups.h"
#include "pos/payment.h"
#include "pos/point_of_sale.h"
#include "receipt/printer_window.h"
#include "reports/audit_report.h"
#include "reports/cash_slip.h"
#include "reports/daily_cashup.h"
#include "reports/reprint_slip.h"
#include "pos/select_cash_slip.h"
#include "reports/tab_slip.h"
#include "reports/transaction_listing.h"
#include "frame_window.h"
#include "shell/main_frame.h"
#include "util/platform.h"
#include "translate/store_source.h"
#include "translate_fixture.h"

namespace tavlo {
namespace {

using support::FrameWindow;

struct Variables {
    std::uint8_t payment = 0, ok = 0;
    std::uint32_t account = 0, client = 0;
};

using Factory = std::function<std::unique_ptr<Procedure>(Context&, Variables&)>;

std::vector<std::pair<std::string, Factory>> everyWindow() {
    using P = std::unique_ptr<Procedure>;
    return {
        {"Main", [](Context&, Variables&) -> P { return std::make_unique<FrameWindow>(); }},
        {"UserDetails", [](Context&, Variables&) -> P { return std::make_unique<UserDetails>(); }},
        {"OperatorsSupPassword", [](Context&, Variables&) -> P { return std::make_unique<OperatorsSupPassword>(); }},
        {"CreateOperators", [](Context&, Variables&) -> P { return std::make_unique<CreateOperators>(); }},
        {"OperatorPassword", [](Context&, Variables&) -> P { return std::make_unique<OperatorPassword>(); }},
        {"SelectOperators", [](Context&, Variables&) -> P { return std::make_unique<SelectOperators>(); }},
        {"AccessLogin", [](Context&, Variables&) -> P { return std::make_unique<AccessLogin>(accessControl(), "Tavlo v5 | Main"); }},
        {"AccessFirstUser", [](Context&, Variables&) -> P { return std::make_unique<AccessFirstUser>(accessControl(), "Tavlo v5"); }},
        {"AccessUserForm", [](Context&, Variables&) -> P { return std::make_unique<AccessUserForm>(accessControl()); }},
        {"AccessRights", [](Context&, Variables&) -> P { return std::make_unique<AccessRights>(accessControl(), 0, "Main", ""); }},
        {"POSRestore", [](Context&, Variables&) -> P { return std::make_unique<POSRestore>(); }},
        {"fcBackupRestore", [](Context&, Variables&) -> P { return std::make_unique<BackupRestoreRunner>(Command{{"true"}, "."}); }},
        {"PaymentMethod", [](Context&, Variables& v) -> P { return std::make_unique<PaymentMethod>(v.payment); }},
        {"SupPassword", [](Context&, Variables& v) -> P { return std::make_unique<SupPassword>(v.ok, "x"); }},
        {"BrowsePointOfSale", [](Context&, Variables&) -> P { return std::make_unique<BrowsePointOfSale>(); }},
        {"SelectA10Debtors", [](Context&, Variables& v) -> P { return std::make_unique<SelectA10Debtors>(v.account); }},
        {"SelectInventory", [](Context&, Variables&) -> P { return std::make_unique<SelectInventory>(); }},
        {"SelectCashClient", [](Context&, Variables& v) -> P { return std::make_unique<SelectCashClient>(v.client); }},
        {"AskDailyCashup", [](Context& c, Variables&) -> P { return std::make_unique<report::AskDailyCashupWindow>(c); }},
        {"PrintDailyCashup", [](Context& c, Variables&) -> P { return std::make_unique<report::DailyCashupReport>(c); }},
        {"CashSlip", [](Context& c, Variables&) -> P { return std::make_unique<report::CashSlipReport>(c, report::SlipArguments{}); }},
        {"TransactionListing", [](Context& c, Variables&) -> P {
             return std::make_unique<report::TransactionListing>(c, report::TransactionListing::Variant::Paper);
         }},
        {"TransactionListingPDF", [](Context& c, Variables&) -> P {
             return std::make_unique<report::TransactionListing>(c, report::TransactionListing::Variant::Pdf);
         }},
        {"DebCashSlip", [](Context& c, Variables&) -> P {
             return std::make_unique<report::CashSlipReport>(c, report::SlipArguments{}, report::CashSlipReport::Style::Debtor);
         }},
        {"RePrintCashSlip", [](Context& c, Variables&) -> P { return std::make_unique<report::RePrintSlipReport>(c, 1); }},
        {"SelectCashSlip", [](Context&, Variables&) -> P { return std::make_unique<report::SelectCashSlip>(); }},
        {"PrintTag", [](Context& c, Variables&) -> P { return std::make_unique<report::TabSlipReport>(c, report::TabSlipArguments{}); }},
        {"AuditTrail", [](Context&, Variables&) -> P { return std::make_unique<report::AuditTrail>(); }},
        {"PrintAuditTrail", [](Context& c, Variables&) -> P { return std::make_unique<report::AuditTrailReport>(c, 4, 80000); }},
        {"SelectA10Debtors", [](Context&, Variables&) -> P { return std::make_unique<SelectA10Debtors>(); }},
        {"DebtorPayment", [](Context&, Variables&) -> P { return std::make_unique<DebtorPayment>(); }},
        {"DeleteTransactions", [](Context&, Variables&) -> P { return std::make_unique<DeleteTransactions>(); }},
        {"POSBackups", [](Context&, Variables&) -> P { return std::make_unique<POSBackups>(); }},
        {"ReceiptPrinterSetup", [](Context&, Variables&) -> P { return std::make_unique<receipt::ReceiptPrinterSetup>(); }},
    };
}

class EveryWindowTest : public TranslateTest {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(fillDemoData(data.path(), &error)) << error;
        const auto folder = data.path();
        setContextFactory([folder] { return std::make_shared<Context>(folder); });
    }
    void TearDown() override {
        setWindowTranslator(nullptr);
        setContextFactory(nullptr);
    }

    struct Shown {
        std::string structure;
        Window window;
    };
    // Opens every window with the translator (Init to Kill, which is when translation happens)
    // and keeps each one's texts as translated, by procedure name.
    std::map<std::string, Shown> openAll(ProTaalClass& translator) {
        setWindowTranslator(&translator);
        std::map<std::string, Shown> out;
        for (const auto& [label, make] : everyWindow()) {
            TestRuntime rt;
            auto ctx = std::make_shared<Context>(data.path());
            ContextScope scope(ctx);
            Variables v;
            auto p = make(*ctx, v);
            p->attach(rt);
            EXPECT_TRUE(p->guardedInit(rt)) << label;
            out[p->name()] = Shown{p->structureName(), p->window()};
            p->guardedKill();
            for (const auto& m : rt.messages) ADD_FAILURE() << label << ": " << m.title << ": " << m.text;
        }
        setWindowTranslator(nullptr);
        return out;
    }

    support::TempFolder data;
};

TEST_F(EveryWindowTest, EveryWindowIsInTheShippedStoreAndShowsInAfrikaans) {
    // 1. Captured as the program draws them now.
    ProTaalClass capture;
    capture.Init(folder.path().string(), "POS", 2, 1, false, false);
    const auto design = openAll(capture);
    capture.Kill();
    LanguageStore captured;
    ASSERT_TRUE(captured.open(storeFile(), false));
    const StoreSource live = readStore(captured);
    captured.close();

    std::string error;
    auto shipped = readStoreSource(TAVLO_LANGUAGE_SOURCE, &error);
    ASSERT_TRUE(shipped) << error;
    EXPECT_TRUE(shipped->problems.empty()) << shipped->problems.front();
    if (const char* dump = std::getenv("TAVLO_DUMP_CAPTURE")) {
        std::ofstream(dump) << writeStoreSource(live);
    }

    // 2. The source knows each captured structure exactly as it is designed, with Afrikaans
    // for each of its texts.
    std::map<std::pair<std::string, std::string>, const SourceStructure*> known;
    for (const SourceStructure& s : shipped->structures) known[{s.procedure, s.name}] = &s;
    for (const SourceStructure& s : live.structures) {
        auto it = known.find({s.procedure, s.name});
        if (it == known.end()) {
            ADD_FAILURE() << "[" << s.procedure << " " << s.name << "] is not in the language source";
            continue;
        }
        const SourceStructure& src = *it->second;
        if (src.design.size() != s.design.size()) {
            ADD_FAILURE() << s.procedure << " " << s.name << ": " << s.design.size() << " controls in the program, "
                          << src.design.size() << " in the source";
            continue;
        }
        for (std::size_t i = 0; i < s.design.size(); ++i) {
            const VeldEntry& a = s.design[i];
            const VeldEntry& b = src.design[i];
            EXPECT_TRUE(a.NO == b.NO && a.TIPE == b.TIPE && clip(a.TEKS) == b.TEKS && clip(a.BDS) == b.BDS &&
                        clip(a.TIP) == b.TIP)
                << s.procedure << " " << s.name << " control " << a.NO << " is " << a.TIPE << " \"" << a.TEKS
                << "\" in the program, " << b.TIPE << " \"" << b.TEKS << "\" in the source";
            const VeldEntry& af = src.translated.at(i);
            for (auto [en, tr] : {std::pair{&b.TEKS, &af.TEKS}, {&b.BDS, &af.BDS}, {&b.TIP, &af.TIP}})
                EXPECT_TRUE(clip(*en).empty() || !clip(*tr).empty())
                    << s.procedure << " " << s.name << " control " << b.NO << ": \"" << *en << "\" has no Afrikaans";
        }
    }

    // 3. Opened in Afrikaans against the shipped store: no notice, every text translated.
    ProTaalClass afrikaans;
    std::filesystem::copy_file(TAVLO_LANGUAGE_STORE, data.path() / "POSlan.tps");
    afrikaans.Init(data.path().string(), "POS", 1, 2, true, true);
    ASSERT_EQ(afrikaans.GetTaalNo(), 2);
    const auto shown = openAll(afrikaans);
    EXPECT_TRUE(messages.shown.empty()) << messages.titles();
    for (const auto& [name, now] : shown) {
        const Window& english = design.at(name).window;
        const SourceStructure* src = known.count({name, now.structure}) ? known.at({name, now.structure}) : nullptr;
        ASSERT_NE(src, nullptr) << name;
        for (int n = 0; n <= now.window.lastControl(); ++n) {
            const std::string en = english.text(n);
            if (clip(en).empty() || isListKind(static_cast<ControlKind>(now.window.typeCode(n)))) continue;
            const std::size_t i = static_cast<std::size_t>(n);
            const bool sameInBoth = i < src->translated.size() && src->translated[i].TEKS == clip(en);
            EXPECT_TRUE(now.window.text(n) != en || sameInBoth) << name << " control " << n << " still reads \"" << en << "\"";
        }
    }
}

}  // namespace
}  // namespace tavlo
