#pragma once
// Writes pages as a PDF 1.3 document: one PDF page per report page, the report's title and
// subject and the application in the document information, no encryption.
#include <string>

#include "reports/page.h"

namespace tavlo::report {

struct PdfInfo {
    std::string title;
    std::string subject;
    std::string application = "Tavlo";
};

struct PdfResult {
    bool ok = false;
    std::string error;  // what went wrong when not ok
};

PdfResult writePdf(const Pages& pages, const PdfInfo& info, const std::string& path);

}  // namespace tavlo::report
