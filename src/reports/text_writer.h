#pragma once
// Plain text and vector images of rendered pages ("Save Pages To File", "Save Current Page To
// File").
#include <string>
#include <vector>

#include "reports/page.h"

namespace tavlo::report {

// The text of the pages: each line of print becomes a line of text with its items at columns
// that follow their places on the paper; pages end with a form feed.
std::string pagesText(const Pages& pages);
std::string pagesText(const Pages& pages, const std::vector<int>& pageIndexes);

// The page as an SVG drawing in the page's own size.
std::string pageSvg(const Page& page);

// Writes text to a file (replacing it); false with the reason in error on failure.
bool writeTextFile(const std::string& path, const std::string& text, std::string* error = nullptr);

}  // namespace tavlo::report
