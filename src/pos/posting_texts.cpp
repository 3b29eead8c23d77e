#include "pos/posting_texts.h"

#include "state/globals.h"

namespace tavlo::posting_texts {

std::string_view saleDescription() { return byLanguage("Verkooppunt", "Point of Sale"); }
std::string_view roundingDescription() { return byLanguage("Afronding", "Rounding"); }

std::string detailAddFailed(std::string_view errorText) {
    return "Error adding detail from POS ...|" + std::string(errorText) + "|Please report this to Varnik Labs!";
}

std::string warningTitle() { return std::string(byLanguage("Waarskuwing!", "Warning!")); }

std::string lockedOut() {
    return std::string(byLanguage(
        "Die transaksielêers is besig by 'n ander kas of venster.|Niks is geboek nie; die lyne bly staan.|"
        "Probeer asseblief weer.",
        "The transaction files are busy at another till or window.|Nothing was posted; the lines are kept.|"
        "Please press Finished again."));
}

std::string notPosted(std::string_view errorText) {
    return std::string(byLanguage("Die verkoop is nie geboek nie; die lyne bly staan.|Fout: ",
                                  "The sale was not posted; the lines are kept.|Error: ")) +
           std::string(errorText) +
           std::string(byLanguage("|Probeer asseblief weer.", "|Please press Finished again."));
}

std::string noSalesNumber() {
    return std::string(byLanguage("Elke verkoopnommer is in gebruik by 'n oop kas.",
                                  "Every sales number is in use at an open till."));
}

std::string tillNotOpened(std::string_view errorText) {
    return std::string(byLanguage("Die kas kan nie 'n verkoop begin nie.|Fout: ",
                                  "The till could not start a sale.|Error: ")) +
           std::string(errorText) +
           std::string(byLanguage("|Probeer asseblief weer.", "|Please try again."));
}

std::string discardSaleQuestion() {
    return std::string(byLanguage("Daar is lyne op die skerm wat nie geboek is nie.|Wil u die verkoop kanselleer?",
                                  "There are lines on the screen that were not posted.|Do you want to discard this sale?"));
}

std::string leftLinesTakenUp() {
    return std::string(byLanguage(
        "Lyne van 'n onvoltooide verkoop is gevind (die kas is onderbreek).|Dit is nou hierdie verkoop: "
        "voltooi dit of skrap die lyne.",
        "Lines of an unfinished sale were found (its till was interrupted).|They are now this sale: "
        "finish it or delete the lines."));
}

std::string tabOpenElsewhere() {
    return std::string(byLanguage("Hierdie rekening is oop by 'n ander kas.|Voltooi dit daar eers.",
                                  "This tab is open at another till.|Finish it there first."));
}

std::string tabWithoutOwner() {
    return std::string(byLanguage("Kies eers die eienaar van die rekening.", "Choose the tab's owner first."));
}

std::string deleteError(std::string_view errorText) {
    return std::string(byLanguage("Fout met skrap - ", "Delete Error - ")) + std::string(errorText);
}

}  // namespace tavlo::posting_texts
