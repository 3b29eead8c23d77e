#include "operators/user_details.h"

#include "data/company_record.h"
#include "data/file_manager.h"
#include "framework/message.h"
#include "framework/runtime.h"
#include "framework/commands.h"
#include "operators/master_password.h"
#include "state/globals.h"
#include "util/text.h"

namespace tavlo {

UserDetails::UserDetails() : Procedure("UserDetails") {}

bool UserDetails::OpenTables() {
    context().relate<PACS10>().Open();
    found_ = readCompanyRecord(context().access<PACS10>()) == ErrNone;
    return true;
}

void UserDetails::CloseTables() { context().relate<PACS10>().Close(); }

void UserDetails::DefineWindow(Window& w) {
    PACS10& r = context().access<PACS10>().rec;
    w = Window("User Details", 250, 236);
    w.panel().at(4, 4, 242, 208);
    int y = 10;
    auto row = [&](const char* prompt, Binding use, const char* picture, const char* name) {
        w.prompt(prompt).at(10, y, 116, 10);
        int n = w.entry(std::move(use), picture).at(130, y, 110, 10).name(name);
        y += 14;
        return n;
    };
    w[row("User Name .:", Binding(&r.USERNAME, 25), "@s25", "UserName")].tip = "The user namre";
    w[row("Address 1 .:", Binding(&r.ADDRESS1, 25), "@s25", "Address1")].tip = "Address line 1";
    w[row("Address 2 .:", Binding(&r.ADDRESS2, 25), "@s25", "Address2")].tip = "Address line 2";
    w[row("Address 3 .:", Binding(&r.ADDRESS3, 25), "@s25", "Address3")].tip = "Address line 3";
    row("Telephone Number .:", Binding(&r.TELNUMBER, 20), "@s20", "TelNumber");
    row("Fax Number .:", Binding(&r.FAXNUMBER, 20), "@s20", "FaxNumber");
    row("Default E-Mail Address .:", Binding(&r.DEFAULTEMAIL, 127), "@s127", "DefaultEmail");
    row("Company Registration Number .:", Binding(&r.COMPREGNO, 25), "@s25", "CompRegNo");
    row("VAT Registration Number .:", Binding(&r.VATREGISTRATIONNO, 25), "@s25", "VatRegistrationNo");
    row("Smallest Coin .:", Binding(&r.SMALLCOIN, 2, 2), "@n5.2", "SmallCoin");
    happyHour_ = w.check("Happy Hour", Binding(&r.HAPPYHOUR)).at(10, y, 80, 10).name("HappyHour");
    discountPrompt_ = w.prompt("Discount .:").at(100, y, 28, 10).name("DiscountPrompt");
    discount_ = w.entry(Binding(&r.DISCOUNT, 3, 2), "@n5.2").at(130, y, 40, 10).name("Discount");
    y += 14;
    prefix_ = row("Prefix .:", Binding(&r.PREFIX, 3), "@s3", "Prefix");
    row("Last Doc .:", Binding(&r.LASTDOCNR), "@n13", "LastDoc");
    row("Cash Float .:", Binding(&r.CASHFLOAT, 6, 2), "@n15.2", "CashFloat");
    ok_ = w.button("&OK").at(158, 216, 42, 14).name("OK").defaultButton();
    w.button("&Cancel").at(204, 216, 42, 14).name("Cancel").closes();
    receiptPrinter_ = w.button("Receipt &Printer...").at(8, 216, 74, 14).name("ReceiptPrinter");
    masterPassword_ = w.button("&Master Password...").at(84, 216, 70, 14).name("MasterPassword");
}

void UserDetails::TakeOpened() { applyHappyHour(); }

void UserDetails::applyHappyHour() {
    Window& w = window();
    bool on = context().access<PACS10>().rec.HAPPYHOUR != 0;
    w[discountPrompt_].hidden = !on;
    w[discount_].hidden = !on;
    w[discount_].disabled = !on;
}

// Writes the record back, or adds it when there was none. A record changed meanwhile by
// another window is not added a second time: the write is refused and the form stays.
bool UserDetails::store() {
    auto& cs10 = context().access<PACS10>();
    if (found_) return cs10.Update() == LevelBenign;
    // A till may have made the record since the window opened: write over that one, keeping its
    // counters, never a second record.
    PACS10 typed = cs10.rec;
    if (readCompanyRecord(cs10) == ErrNone) {
        typed.USERNUMBER = cs10.rec.USERNUMBER;
        typed.LASTDOCNR = cs10.rec.LASTDOCNR;
        typed.SALESNUMBER = cs10.rec.SALESNUMBER;
        cs10.rec = typed;
        found_ = true;
        return cs10.Update() == LevelBenign;
    }
    cs10.rec = typed;
    cs10.rec.USERNUMBER = kCompanyUserNumber;
    if (cs10.add() == ErrNone) found_ = true;
    return true;
}

void UserDetails::TakeAccepted(int control) {
    if (control == masterPassword_) {
        changeMasterPassword(*this);
    } else if (control == receiptPrinter_) {
        if (ProcedureFactory open = commandFactory(kReceiptPrinterSetup)) {
            std::unique_ptr<Procedure> setup = open();
            runtime().run(*setup);
        }
    } else if (control == happyHour_) {
        applyHappyHour();
    } else if (control == ok_) {
        if (clip(context().access<PACS10>().rec.PREFIX).empty()) {
            MessageRequest box;
            box.title = std::string(byLanguage("Waarskuwing", "Warning"));
            box.text = std::string(byLanguage("Voorvoegsel is verpligtend. Verskaf asb. 'n werkstasie ID",
                                              "Prefix is compulsory. Please supply workstation ID"));
            box.icon = Icon::None;
            box.buttons = ButtonOk;
            box.defaultButton = ButtonOk;
            showMessage(box);
            select(prefix_);
            return;
        }
        if (store()) close(Response::Completed);
    }
}

}  // namespace tavlo
