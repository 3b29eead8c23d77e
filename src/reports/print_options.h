#pragma once
// Which pages go to the printer, and in what order: the choices of the preview's "Pages to
// Print" and of the viewer's "Print Options" and "Save All Pages to File...".
#include <optional>
#include <string>
#include <vector>

namespace tavlo::report {

// "1-3,5,8-" (page numbers from 1, ranges, an open end runs to the last page), blanks allowed.
// nullopt when the text is not such a list or names no page of the report; empty text is all
// pages.
std::optional<std::vector<int>> parsePageList(const std::string& text, int pageCount);

enum class PageRange { All, Marked, Unmarked, Range };

struct PrintOptions {
    PageRange range = PageRange::All;
    int from = 1, to = 1;  // Range of Pages, numbers from 1
    int copies = 1;
    bool collate = true;
    bool faceUp = false;  // the printer ejects face up: send the pages last to first
};

// The pages chosen by a range (indexes from 0, in page order).
std::vector<int> choosePages(PageRange range, int from, int to, int pageCount, const std::vector<bool>& marked);
// The pages in the order they are sent, copies included: collated copies repeat the whole run
// (1 2 3 1 2 3), uncollated ones repeat each page (1 1 2 2 3 3); face up reverses the sequence.
std::vector<int> printSequence(const PrintOptions& options, int pageCount, const std::vector<bool>& marked);

}  // namespace tavlo::report
