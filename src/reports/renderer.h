#pragma once
// Turns printed bands into pages: page header on every page, details and group bands down the
// body, a new page when the next band does not fit, group headers and footers around runs of
// details with the same group values.
#include <optional>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "reports/layout.h"
#include "reports/page.h"

namespace tavlo::report {

class Renderer {
public:
    explicit Renderer(const Layout& layout);

    // Prints a detail band (by name or by reference; it must belong to the layout): first the
    // footers of groups whose value changed, then their headers, then the detail.
    void print(std::string_view detailName);
    void print(const Band& detail);
    // Prints the footers of the open groups and ends the last page. A report that printed no
    // detail has no pages.
    void finish();

    int pageNumber() const { return pageNumber_; }
    const Pages& pages() const { return pages_; }
    Pages takePages() { return std::move(pages_); }

private:
    // A band with its values read: text of every visible item (page numbers are read when
    // the band is placed, since only then is the page known).
    struct Prepared {
        const Band* band = nullptr;
        std::vector<std::pair<const Item*, std::optional<std::string>>> items;
        bool numeric(std::size_t i) const { return numerics[i]; }
        std::vector<bool> numerics;
    };
    Prepared prepare(const Band& band) const;
    void placeBodyBand(const Prepared& band);
    void placeBand(const Prepared& band, int left, int top);
    void startPage();
    void endPage();

    const Layout& layout_;
    Pages pages_;
    bool pageOpen_ = false;
    bool bodyUsed_ = false;
    int cursor_ = 0;
    int pageNumber_ = 0;
    std::vector<Value> keys_;  // group values of the last printed detail, outer to inner
    int openGroups_ = 0;
    // Footers of the open groups as they read right after the group's last detail: a footer
    // shows the values of its own group, not those of the row that ended it.
    std::vector<Prepared> pendingFooters_;
};

// The height a body band takes: its own, or more when an item reaches below it.
int bodyBandHeight(const Layout& layout, const Band& band);

// One item as it would be drawn at (left, top): its text fitted to the box. Exposed for tests.
TextOp layoutText(const Font& font, const Item& item, const std::string& text, bool numeric, int left, int top);

}  // namespace tavlo::report
