#pragma once
// Writes posted documents into PQXT20 / PQXT21 inside the caller's transaction: the number from
// the company counter as stored now, the header, detail numbers, class codes, and the control
// row and totals of exactly the headers it added. The till's sales and roundings and the debtor
// payments all post through it.
//
//   DocumentWriter writer(ctx);
//   auto tx = ctx.transaction<PACS10, PQXT20, PQXT21>(1s);
//   writer.forget();
//   std::uint32_t known = 0;                                    // the counter as last seen
//   Outcome why;
//   auto number = writer.freeDocumentNo(writer.counterNow(known) + 1, known, &why);
//   t20.clearBuffer(); t20.rec.DOCUMENTNO = *number; ...; writer.addHeader(t20);
//   writer.nextDetailNumber(detail); t21.rec.DETAILNUMBER = detail; ...; writer.write(t21, WriteOp::Add);
//   writer.completeHeaders(/*rowsCredit=*/true, /*controlOperator=*/"", detail);
//   writer.raiseLastDocNr(*number, known);
//   if (writer.checkDocuments()) tx.commit();
//
// Every step returns its Outcome (freeDocumentNo: nullopt, and the failure in *why); on a
// failure the caller rolls the transaction back.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "data/tables.h"
#include "pos/outcome.h"

namespace tavlo {

// A write the posting is about to make, for injecting storage failures in tests.
enum class WriteOp { Add, Put, Erase };

class DocumentWriter {
public:
    using WriteFn = std::function<int(FileManagerBase&, WriteOp)>;

    explicit DocumentWriter(Context& ctx);

    // How writes are made (default: straight to the file).
    void setWrite(WriteFn write) { write_ = std::move(write); }

    // A new transaction: detail numbers, class codes and added headers of an earlier one are
    // forgotten.
    void forget();
    void clearNewHeaders() { newHeaders_.clear(); }

    // The company counter PCS10:LASTDOCNR as stored now; `known` (the counter as the caller last
    // saw it) is raised to it and returned.
    std::uint32_t counterNow(std::uint32_t& known);
    // `wanted` when no header has it; else the counter's next number; else one past the highest
    // number in use. Numbers below the counter are left alone (they may belong to open tabs).
    // nullopt when PQXT20 could not be read; the failure is then in *why when given.
    std::optional<std::uint32_t> freeDocumentNo(std::uint32_t wanted, std::uint32_t& known, Outcome* why = nullptr);
    // Raises the stored counter to documentNo when it is lower.
    Outcome raiseLastDocNr(std::uint32_t documentNo, std::uint32_t& known);

    // Adds the header in the PQXT20 buffer and reads it back into the buffer; it is one of the
    // headers completeHeaders() completes.
    Outcome addHeader(FileManager<PQXT20>& t20);
    // The next detail number into `number`: one past the highest stored, read once per transaction.
    Outcome nextDetailNumber(std::uint32_t& number);
    std::string classCodeOf(std::uint16_t accNumber);
    int write(FileManagerBase& file, WriteOp op);
    // For each header added since forget() that has no entries yet: the control row on the
    // header's account taking the other side of the rows' total, then the header's amount, VAT
    // and number of entries. rowsCredit: the rows written so far stand on the credit side.
    Outcome completeHeaders(bool rowsCredit, const std::string& controlOperator, std::uint32_t& detailNumber);
    // The last step before a posting commits: every header added since forget() is read back with
    // its rows, which must balance (debits equal credits), its amount and VAT must be the sums of
    // its rows and its number of entries their count. Otherwise a failure (kDocumentNotSound, a
    // program error); the caller rolls back, so a document that does not add up is never stored.
    Outcome checkDocuments();
    // How many headers were added since forget() / clearNewHeaders().
    std::size_t newHeaderCount() const { return newHeaders_.size(); }

private:
    // Empty when the document adds up, else what is wrong with it.
    std::string checkDocument(std::uint32_t documentNo);
    // The highest detail number stored in PQXT21 (0 none); the buffer is left as it was.
    std::uint32_t highestDetailNumber();

    Context& ctx_;
    WriteFn write_;
    std::vector<std::uint32_t> newHeaders_;
    // Within one transaction: the detail number was read from the table (later ones follow it,
    // nobody else can write PQXT21 meanwhile), and the class codes already looked up.
    bool detailNumberRead_ = false;
    std::map<std::uint16_t, std::string> classCodes_;
};

}  // namespace tavlo
