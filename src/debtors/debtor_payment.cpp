#include "debtors/debtor_payment.h"

#include "data/file_manager.h"
#include "debtors/debtor_posting.h"
#include "framework/message.h"
#include "framework/runtime.h"
#include "pos/lookups.h"
#include "pos/posting_texts.h"
#include "state/globals.h"

namespace tavlo {

namespace {

void warn(const std::string& title, const std::string& text, Icon icon) {
    MessageRequest box;
    box.title = title;
    box.text = text;
    box.icon = icon;
    showMessage(box);
}

std::string failureText(const DebtorPaymentPosted& posted) {
    using Failure = DebtorPaymentPosted::Failure;
    const std::string again(byLanguage("|Druk asseblief weer OK.", "|Please press OK again."));
    switch (posted.failure) {
        case Failure::LockedOut:
            return std::string(byLanguage("Die transaksielêers is besig by 'n ander kas of venster.|Niks is geboek nie.",
                                          "The transaction files are busy at another till or window.|Nothing was posted.")) +
                   again;
        case Failure::DebtorRow:
            return "Error adding DEB detail from POS ...|" + posted.error + "|Please report this to Varnik Labs!" +
                   std::string(byLanguage("|Die betaling is nie geboek nie.", "|The payment was not posted.")) + again;
        default:
            return std::string(byLanguage("Die betaling is nie geboek nie.|Fout: ", "The payment was not posted.|Error: ")) +
                   posted.error + again;
    }
}

}  // namespace

DebtorPayment::DebtorPayment() : Procedure("DebtorPayment") {}

bool DebtorPayment::OpenTables() {
    context().relate<PACS10>().Open();
    context().relate<PQXA10>().Open();
    context().relate<PQXS10>().Open();
    context().relate<PQXT20>().Open();
    context().relate<PQXT21>().Open();
    context().access<PQXA10>().clearBuffer();  // no debtor shown until one is chosen
    return true;
}

void DebtorPayment::CloseTables() {
    context().relate<PQXT21>().Close();
    context().relate<PQXT20>().Close();
    context().relate<PQXS10>().Close();
    context().relate<PQXA10>().Close();
    context().relate<PACS10>().Close();
}

void DebtorPayment::DefineWindow(Window& w) {
    PQXA10& a10 = context().access<PQXA10>().rec;
    w = Window("Debtor Payment", 262, 158);
    w.prompt("Debtor .:").at(17, 10);
    choose_ = w.button("...").at(81, 9, 17, 12).name("ChooseDebtor");
    w.entry(Binding(&a10.ACCDESC, 25), "@s25").at(113, 10, 127, 10).readOnly().tip("The Account description").name("DebtorName");
    const int option = w.add(ControlKind::Option, "Payment option").at(25, 33, 217, 63);
    cashBox_ = w.check("Cash", Binding(&cash_)).at(61, 49, 137, 10).in(option);
    cardBox_ = w.check("Credit Card", Binding(&creditCard_)).at(61, 63, 137, 10).in(option);
    chequeBox_ = w.check("Cheque", Binding(&cheque_)).at(61, 77, 137, 10).in(option);
    w.prompt("Amount .:").at(17, 108);
    amountEntry_ = w.entry(Binding(&amount_, 6, 2), "@n15.2").at(81, 108, 82, 10).name("Amount");
    ok_ = w.button("&OK").at(176, 138, 35, 14).name("OK").defaultButton();
    w.button("&Cancel").at(218, 138, 36, 14).name("Cancel").closes();
}

void DebtorPayment::TakeOpened() { applyTenders(); }

void DebtorPayment::TakeAccepted(int control) {
    if (control == choose_) {
        chooseDebtor();
    } else if (control == cashBox_ || control == cardBox_ || control == chequeBox_) {
        applyTenders();
    } else if (control == ok_) {
        post();
    }
}

void DebtorPayment::chooseDebtor() {
    auto& a10 = context().access<PQXA10>();
    const auto shown = a10.SaveFile();
    SelectA10Debtors pick;
    runtime().run(pick);
    if (pick.response() == Response::Completed) {
        debtor_ = a10.rec.ACCNUMBER;
    } else {
        a10.RestoreFile(shown);  // the name shown stays the chosen debtor's
        select(choose_);
    }
}

void DebtorPayment::applyTenders() {
    if (creditCard_ || cheque_) cash_ = 0;
    Window& w = window();
    w[cashBox_].disabled = creditCard_ || cheque_;
    w[cardBox_].disabled = cash_ || cheque_;
    w[chequeBox_].disabled = cash_ || creditCard_;
}

void DebtorPayment::refuse(std::string_view afrikaans, std::string_view english, int focus) {
    warn(std::string(byLanguage("Debiteurbetaling", "Debtor Payment")), std::string(byLanguage(afrikaans, english)),
         Icon::Exclamation);
    select(focus);
}

void DebtorPayment::post() {
    payment_ = 0;
    if (cash_) payment_ = 1;
    if (creditCard_) payment_ = 2;
    if (cheque_) payment_ = 3;

    DebtorPaymentPosted posted;
    {
        WaitCursor wait(runtime());
        posted = postDebtorPayment(context(), {debtor_, payment_, amount_});
    }
    using Failure = DebtorPaymentPosted::Failure;
    switch (posted.failure) {
        case Failure::None:
            documentNo_ = posted.documentNo;
            close(Response::Completed);
            return;
        case Failure::NoDebtor:
            return refuse("Kies asseblief eers die debiteur wat betaal.", "Please choose the debtor who is paying first.",
                          choose_);
        case Failure::NoTender:
            return refuse("Merk asseblief hoe betaal is: kontant, kredietkaart of tjek.",
                          "Please tick how the payment was made: cash, credit card or cheque.", cashBox_);
        case Failure::NoAmount:
            return refuse("Die bedrag moet meer as 0.00 wees.", "The amount must be more than 0.00.", amountEntry_);
        default:
            warn(posted.failure == Failure::DebtorRow ? std::string("Warning!") : posting_texts::warningTitle(),
                 failureText(posted), Icon::Exclamation);
            return;
    }
}

}  // namespace tavlo
