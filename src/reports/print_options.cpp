#include "reports/print_options.h"

#include <algorithm>
#include <cctype>

namespace tavlo::report {
namespace {

bool readNumber(const std::string& s, std::size_t& i, int& out) {
    while (i < s.size() && s[i] == ' ') ++i;
    const std::size_t start = i;
    long long n = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        n = n * 10 + (s[i] - '0');
        if (n > 1'000'000) return false;
        ++i;
    }
    if (i == start) return false;
    while (i < s.size() && s[i] == ' ') ++i;
    out = static_cast<int>(n);
    return true;
}

}  // namespace

std::optional<std::vector<int>> parsePageList(const std::string& text, int pageCount) {
    std::vector<int> pages;
    if (text.find_first_not_of(' ') == std::string::npos) {
        for (int p = 0; p < pageCount; ++p) pages.push_back(p);
        return pages;
    }
    std::size_t i = 0;
    while (i < text.size()) {
        int first = 0;
        if (!readNumber(text, i, first)) return std::nullopt;
        int last = first;
        if (i < text.size() && text[i] == '-') {
            ++i;
            std::size_t probe = i;
            while (probe < text.size() && text[probe] == ' ') ++probe;
            if (probe >= text.size() || text[probe] == ',') {
                last = pageCount;
                i = probe;
            } else if (!readNumber(text, i, last)) {
                return std::nullopt;
            }
        }
        if (first < 1 || last < first) return std::nullopt;
        for (int p = first; p <= std::min(last, pageCount); ++p) pages.push_back(p - 1);
        if (i < text.size()) {
            if (text[i] != ',') return std::nullopt;
            ++i;
        }
    }
    if (pages.empty()) return std::nullopt;
    return pages;
}

std::vector<int> choosePages(PageRange range, int from, int to, int pageCount, const std::vector<bool>& marked) {
    std::vector<int> pages;
    for (int p = 0; p < pageCount; ++p) {
        const bool isMarked = static_cast<std::size_t>(p) < marked.size() && marked[static_cast<std::size_t>(p)];
        switch (range) {
            case PageRange::All: pages.push_back(p); break;
            case PageRange::Marked:
                if (isMarked) pages.push_back(p);
                break;
            case PageRange::Unmarked:
                if (!isMarked) pages.push_back(p);
                break;
            case PageRange::Range:
                if (p + 1 >= from && p + 1 <= to) pages.push_back(p);
                break;
        }
    }
    return pages;
}

std::vector<int> printSequence(const PrintOptions& options, int pageCount, const std::vector<bool>& marked) {
    const std::vector<int> pages = choosePages(options.range, options.from, options.to, pageCount, marked);
    const int copies = std::max(1, options.copies);
    std::vector<int> sequence;
    if (options.collate) {
        for (int c = 0; c < copies; ++c) sequence.insert(sequence.end(), pages.begin(), pages.end());
    } else {
        for (int p : pages) sequence.insert(sequence.end(), static_cast<std::size_t>(copies), p);
    }
    if (options.faceUp) std::reverse(sequence.begin(), sequence.end());
    return sequence;
}

}  // namespace tavlo::report
