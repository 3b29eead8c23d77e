#pragma once
// ESC/POS text mode for the receipt printer: a receipt laid out in 48 columns (80 mm paper) or
// 32 (58 mm), sent in a single-byte code page chosen with ESC t, ended with a paper cut; and
// the drawer-kick pulse. Text inside the program is UTF-8; what the code page cannot print
// goes out as "?".
#include <string>
#include <string_view>
#include <vector>

#include "receipt/receipt.h"

namespace tavlo::receipt {

enum class CodePage { CP850, CP1252 };

struct PrintFormat {
    int width = 48;                      // characters per line: 48 or 32
    CodePage codePage = CodePage::CP850;
    bool cut = true;
    int feedBeforeCut = 3;               // lines fed so the last line clears the cutter
    // Drawer kick: ESC p on connector pin 2 (or 5), pulse on and off times in milliseconds
    // (sent in steps of 2 ms, at most 510 ms).
    int drawerPin = 2;
    int pulseOnMs = 100;
    int pulseOffMs = 200;
};

// One line as printed: text in UTF-8, at most the width in characters.
struct PrintLine {
    std::string text;
    bool bold = false;
    bool centred = false;
    friend bool operator==(const PrintLine&, const PrintLine&) = default;
};

// The n of ESC t n for a code page (the usual Epson numbering).
int codePageNumber(CodePage page);
// UTF-8 text in the code page; characters it has no place for become "?".
std::string toCodePage(std::string_view utf8, CodePage page);

// The receipt laid out in lines of the width.
std::vector<PrintLine> layoutReceipt(const Receipt& receipt, int width);
// The whole job: initialise, code page, the lines, feed and cut; with kickDrawer the drawer
// pulse after the cut.
std::string renderReceipt(const Receipt& receipt, const PrintFormat& format, bool kickDrawer);
// The drawer pulse alone (No Sale, the drawer test), after an initialise.
std::string drawerJob(const PrintFormat& format);
std::string drawerKick(const PrintFormat& format);

}  // namespace tavlo::receipt
