#include "receipt/receipt.h"

#include <functional>
#include <optional>

#include "data/company_record.h"
#include "state/globals.h"
#include "util/picture.h"
#include "util/text.h"

namespace tavlo::receipt {
namespace {

// Registers the uses of the tables for as long as it lives and puts back the caller's buffers
// and positions: a receipt is read on the till's context, between its own reads.
class Reading {
public:
    explicit Reading(Context& ctx) : ctx_(ctx) {}
    ~Reading() {
        for (auto it = restore_.rbegin(); it != restore_.rend(); ++it) (*it)();
        for (auto it = used_.rbegin(); it != used_.rend(); ++it) ctx_.access(**it).Close();
    }
    template <class T>
    FileManager<T>& use() {
        auto& file = ctx_.access<T>();
        file.UseFile();
        used_.push_back(&T::table());
        auto saved = file.SaveFile();
        restore_.push_back([&file, saved] { file.RestoreFile(saved); });
        file.clearBuffer();
        return file;
    }

private:
    Context& ctx_;
    std::vector<const TableDef*> used_;
    std::vector<std::function<void()>> restore_;
};

std::string heading(bool creditNote) {
    return std::string(creditNote ? byLanguage("Belasting Kredietnota", "Tax Credit Note")
                                  : byLanguage("Belastingfaktuur", "Tax Invoice"));
}

std::string payType(int payMethod) {
    switch (payMethod) {
        case 1: return std::string(byLanguage("Kontant", "Cash"));
        case 2: return std::string(byLanguage("Kredietkaart", "Credit card"));
        case 3: return std::string(byLanguage("Tjek", "Cheque"));
        case 4: return std::string(byLanguage("Krediet", "Credit"));
        default: return {};
    }
}

void shopBlock(Reading& r, Receipt& out, bool withVat = true) {
    auto& cs10 = r.use<PACS10>();
    if (readCompanyRecord(cs10) != ErrNone) cs10.clearBuffer();
    out.company = fitBytes(cs10.rec.USERNAME, 40);
    out.address1 = fitBytes(cs10.rec.ADDRESS1, 30);
    out.address2 = fitBytes(cs10.rec.ADDRESS2, 30);
    out.address3 = fitBytes(cs10.rec.ADDRESS3, 30);
    out.telNr = fitBytes(cs10.rec.TELNUMBER, 15);
    out.faxNr = fitBytes(cs10.rec.FAXNUMBER, 15);
    if (withVat) out.vatNr = fitBytes(cs10.rec.VATREGISTRATIONNO, 20);
}

std::string documentRef(Context& ctx, std::uint32_t number) {
    return fitBytes(clip(ctx.access<PACS10>().rec.PREFIX) + std::to_string(number), 20);
}

bool printable(const std::string& classCode) {
    const std::string c = clip(classCode);
    return c.empty() || c == "A";
}

ReceiptLine itemLine(FileManager<PQXA301>& a301, const std::string& code, const Decimal& qty, const Decimal& amount) {
    a301.clearBuffer();
    a301.rec.ITEMCODE = code;
    a301.Fetch(PA301::ItemCodeKey);  // a miss leaves the record clear: blank description, zero price
    return {clip(code), clip(a301.rec.ITEMDESC), qty, a301.rec.POSSELLINGPRICE, amount};
}

// The account's name and, on a debtor slip, the debtor's postal address and VAT number.
void creditClient(Reading& r, Receipt& out, std::uint16_t accNumber, bool address) {
    auto& a10 = r.use<PQXA10>();
    a10.rec.ACCNUMBER = accNumber;
    a10.Fetch(PA10::AccNumberKey);
    out.client = fitBytes(a10.rec.ACCDESC, 25);
    if (!address) return;
    auto& c10 = r.use<PQXC10>();
    c10.rec.ACCNUMBER = a10.rec.ACCNUMBER;
    c10.Fetch(PC10::AccNumberKey);
    out.debtorVat = clip(c10.rec.VATREGISTRATIONNUMBER);
    if (clip(c10.rec.ADD1).empty()) return;
    out.debtorAddress.push_back(fitBytes(c10.rec.ADD1, 25));
    out.debtorAddress.push_back(!clip(c10.rec.ADD2).empty() ? fitBytes(c10.rec.ADD2, 25) : fitBytes(c10.rec.POSTCODE, 4));
    out.debtorAddress.push_back(!clip(c10.rec.ADD3).empty() ? fitBytes(clip(c10.rec.ADD3) + "   " + c10.rec.POSTCODE, 25)
                                                           : clip(c10.rec.POSTCODE));
    for (auto& line : out.debtorAddress) line = clip(line);
}

// One document from a header table and its detail table (posted or history).
template <class Header, class Detail>
void readDocument(Context& ctx, Reading& r, Receipt& out, std::uint32_t documentNo, std::optional<bool> creditNote) {
    auto& head = r.use<Header>();
    head.rec.DOCUMENTNO = documentNo;
    bool haveHeader = head.Fetch(Header::DocumentNoKey) == LevelBenign;
    auto& a301 = r.use<PQXA301>();
    auto& rows = r.use<Detail>();
    rows.rec.DOCUMENTNO = documentNo;
    rows.SetFrom(Detail::DocumentNoKey);
    bool credit = creditNote.value_or(false);
    while (rows.Next() == LevelBenign && rows.rec.DOCUMENTNO == documentNo) {
        if (!printable(rows.rec.CLASSCODE)) continue;
        // A reprint knows a credit note by its rows: an item row with a debit amount.
        if (!creditNote) credit = !rows.rec.DEBIT.isZero();
        const Decimal amount = (credit ? rows.rec.DEBIT : rows.rec.CREDIT) + rows.rec.VATAMOUNT;
        out.lines.push_back(itemLine(a301, rows.rec.ITEMCODE, rows.rec.QTY, amount));
        out.date = rows.rec.TRANSDATE;
    }
    out.heading = heading(credit);
    out.document = out.lines.empty() ? std::string() : documentRef(ctx, documentNo);
    if (!haveHeader) return;
    out.vat = head.rec.VAT;
    out.total = head.rec.AMOUNT;
    out.time = clip(head.rec.TRANTIME);
    out.payMethod = head.rec.PAYMETHOD;
    out.payType = payType(head.rec.PAYMETHOD);
    out.orderNo = clip(head.rec.REFERENCE2);
}

}  // namespace

Receipt saleReceipt(Context& ctx, const report::SlipArguments& args, bool debtorSlip) {
    Receipt out;
    out.kind = debtorSlip ? ReceiptKind::Debtor : ReceiptKind::Cash;
    out.procedure = debtorSlip ? "PrintDebCashSlip" : "PrintCashSlip";
    Reading r(ctx);
    shopBlock(r, out);
    readDocument<PQXT20, PQXT21>(ctx, r, out, args.docNumber, args.creditNote != 0);
    out.rounding = (-args.rounding).rounded(2);
    out.paid = args.paid.rounded(2);
    out.change = args.change.rounded(2);
    out.debtorDetails = debtorSlip;
    if (out.payMethod == 4) creditClient(r, out, ctx.access<PQXT20>().rec.ACCNUMBER, debtorSlip);
    if (!debtorSlip) out.orderNo.clear();
    return out;
}

Receipt reprintReceipt(Context& ctx, std::uint32_t documentNo) {
    Receipt out;
    out.kind = ReceiptKind::Reprint;
    out.procedure = "RePrintCashSlip";
    out.copy = true;
    Reading r(ctx);
    shopBlock(r, out);
    readDocument<PQXH20, PQXH21>(ctx, r, out, documentNo, std::nullopt);
    const PQXH20& h = ctx.access<PQXH20>().rec;
    out.rounding = -h.VERSKIL;
    out.paid = h.PAID;
    out.change = h.CHANGE;
    out.debtorDetails = h.PAYMETHOD == 4;
    if (h.PAYMETHOD == 4) creditClient(r, out, h.ACCNUMBER, true);
    else out.orderNo.clear();
    return out;
}

Receipt tabReceipt(Context& ctx, std::uint32_t owner, std::uint32_t documentNo, std::uint16_t salesNumber) {
    Receipt out;
    out.kind = ReceiptKind::Tab;
    out.procedure = "PrintTag";
    out.heading = "Tag";
    out.tender = false;
    Reading r(ctx);
    shopBlock(r, out, false);
    out.document = documentRef(ctx, documentNo);
    out.time = formatPicture("@t01", Decimal(timeNow()));
    auto& a301 = r.use<PQXA301>();
    auto& v61 = r.use<PQXV61>();
    v61.rec.CLIENTNO = owner;
    v61.rec.DOCUMENTNO = documentNo;
    v61.SetFrom(PV61::ClientDocKey);
    if (owner == 0 || documentNo == 0) return out;
    while (v61.Next() == LevelBenign && v61.rec.CLIENTNO == owner && v61.rec.DOCUMENTNO == documentNo) {
        if (v61.rec.SALESNUMBER != salesNumber) continue;
        const Decimal amount = v61.rec.DEBIT + v61.rec.VATAMOUNT;
        out.lines.push_back(itemLine(a301, v61.rec.ITEMCODE, v61.rec.QTY, amount));
        out.total += amount;
        out.vat += v61.rec.VATAMOUNT;
        out.date = v61.rec.TRANSDATE;
    }
    return out;
}

Receipt testPageReceipt(Context& ctx) {
    Receipt out;
    out.kind = ReceiptKind::TestPage;
    out.heading = std::string(byLanguage("Toetsbladsy", "Test page"));
    out.tender = false;
    Reading r(ctx);
    shopBlock(r, out);
    out.date = today();
    out.time = formatPicture("@t01", Decimal(timeNow()));
    out.notes = {"ê ë ô ï é è û â î ö ü", "Ê Ë Ô Ï É È Û Â Î Ö Ü", "'n Koppie koffie, ná ete: R12,50"};
    return out;
}

}  // namespace tavlo::receipt
