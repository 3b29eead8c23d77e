#include "exchange/pos_backups.h"

#include "data/file_manager.h"
#include "exchange/export.h"
#include "exchange/runner.h"
#include "reports/transaction_listing.h"
#include "state/globals.h"
#include "util/date.h"
#include "util/text.h"

namespace tavlo {

POSBackups::POSBackups() : ExchangeWindow("POSBackups", "Make a Backup for Rovandi", "&Backup") {}

bool POSBackups::OpenTables() {
    context().relate<PACS10>().Open();
    auto& cs10 = context().access<PACS10>();
    cs10.clearBuffer();
    cs10.SetFileOrder();
    if (cs10.next() == ErrNone) prefix_ = clip(cs10.rec.PREFIX);
    return true;
}

void POSBackups::CloseTables() { context().relate<PACS10>().Close(); }

void POSBackups::TakeOpened() {
    USERNAME = std::string(byLanguage("Verkooppuntdata vir Rovandi", "Point of Sale data for Rovandi"));
    // An export a dead program left half done is finished or undone before anything is shown
    // of the tables (while another till exports, its own run takes care of that).
    recoverExport(context().folder());
}

void POSBackups::failed(const std::string& why) {
    const std::string detail = why.empty() ? "" : "|" + why;
    say("", "", "Backup was onsuksesvol, kontak Varnik Labs" + detail, "Backup failed please contact Varnik Labs" + detail);
}

void POSBackups::act() {
    const auto folder = usableFolder();
    if (!folder) return;
    if (folder->empty()) {
        close(Response::Cancelled);
        return;
    }
    // The prefix is part of a file name: it may not lead out of the target folder.
    if (prefix_.find_first_of("/\\") != std::string::npos || prefix_.find("..") != std::string::npos) {
        say("Waarskuwing", "Warning",
            "Die werkstasie-voorvoegsel mag nie \\, / of \"..\" bevat nie. | Verbeter dit in die gebruikersbesonderhede.",
            "The workstation prefix may not contain \\, / or \"..\". | Correct it in the user details.");
        return;
    }
    const ExportTarget target{*folder + prefix_ + exportDateStamp(today())};
    if (target.archive().string().size() > kNameBytes) {
        say("Waarskuwing", "Warning",
            "Die argiefnaam is langer as " + std::to_string(kNameBytes) + " karakters. | Kies 'n korter vouer.",
            "The archive name is longer than " + std::to_string(kNameBytes) + " characters. | Choose a shorter folder.");
        return;
    }

    ExportJob job(context().folder());
    std::string why;
    if (!job.begin(&why)) {
        say("Waarskuwing", "Warning", "'n Ander kasregister voer nou data uit, of 'n vorige uitvoer kon nie klaar nie. | " + why,
            "Another till is exporting now, or an earlier export could not be finished. | " + why);
        return;
    }
    if (!job.snapshot(&why)) {
        failed(why);
        close(Response::Completed);
        return;
    }
    // An archive still waiting for the accounting package keeps its listing: it is not replaced.
    std::error_code ec;
    const bool waiting = std::filesystem::exists(target.archive(), ec);
    {
        Context snapshot(job.snapshotFolder());
        if (!waiting) report::PrintTransactionsPDF(runtime(), snapshot, target.pdf().string());
        report::PrintTransactions(runtime(), snapshot);
    }
    if (waiting) {
        job.abandon();
        say("Waarskuwing", "Warning", "Daar is Rovandi transaksies wat nog nie ingevoer is nie! | Voer eers in.",
            "There is Rovandi transactions not imported! | First import.");
        close(Response::Completed);
        return;
    }
    askForMedium();
    const auto outcome =
        job.archive(target, [this](const Command& command) { return fcBackupRestore(runtime(), command); }, &why);
    if (outcome == ExportJob::Outcome::Done || outcome == ExportJob::Outcome::Pending)
        say("Backup", "Backup", "Data backup was suksesvol", "Data backup was successful");
    else
        failed(outcome == ExportJob::Outcome::Failed ? why : "");
    close(Response::Completed);
}

}  // namespace tavlo
