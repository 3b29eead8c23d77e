#pragma once
// A report layout: bands of items placed in thousandths of an inch relative to their band.
//
// Page header and footer sit at fixed places on the paper; group headers, details and group
// footers flow down the body area one after the other. Item values are read when their band
// prints, so a band shows the procedure's variables as they stand at that moment.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "reports/font_metrics.h"
#include "reports/page.h"
#include "framework/value.h"
#include "util/decimal.h"

namespace tavlo::report {

// What an item shows: nothing, text, an amount, or a whole number (dates are day numbers),
// formatted through its picture ("@n15.2", "s40", "@d17", "@pPage <<<#p").
using Value = tavlo::Value;

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

enum class ItemKind {
    Field,       // a value through its picture
    Caption,     // fixed text (translated with the report)
    Line,        // a rule from (x, y) over width (horizontal) or height (vertical)
    PageNumber,  // the current page number through its picture
};

struct Item {
    ItemKind kind = ItemKind::Field;
    std::string name;  // how the procedure refers to the item
    int number = 0;    // control number, given in declaration order by Layout::numberControls
    int x = 0, y = 0;
    int width = 0;   // 0: as wide as its text
    int height = 0;  // 0: one line of its font
    std::string text;
    std::string picture;
    std::function<Value()> value;
    std::optional<Font> font{};  // else the band's or the report's
    Align align = Align::Left;
    bool hidden = false;
    int thickness = 10;
};

// Builders for the common item shapes.
Item field(std::string name, int x, int y, int width, std::string picture, std::function<Value()> value,
           Align align = Align::Left);
Item caption(std::string text, int x, int y, int width = 0, Align align = Align::Left);
Item hline(int x, int y, int width);
Item vline(int x, int y, int height);
Item pageNumber(std::string name, int x, int y, int width, std::string picture, Align align = Align::Right);

struct Band {
    std::string name;
    Rect at;  // page header and footer: place on the paper; others use the height only
    std::vector<Item> items{};
    std::optional<Font> font{};
    int groupDepth = -1;  // details: how many of the layout's groups enclose it (-1: all)

    Item& add(Item item);
};

// A group on a value (a field, or a constant for a footer printed once after the last detail).
struct Group {
    std::string name;
    std::function<Value()> key;
    std::optional<Band> header{};
    std::optional<Band> footer{};
};

class Layout {
public:
    std::string title;  // the report's own text, control 0
    Font font;
    Paper paper;
    Rect body;
    std::optional<Band> pageHeader;
    std::optional<Band> pageFooter;
    std::vector<Group> groups;  // outermost first
    std::vector<Band> details;

    // Items by name across all bands; nullptr when there is none.
    Item* find(std::string_view name);
    const Band* detail(std::string_view name) const;
    void setHidden(std::string_view name, bool hidden);
    void setPicture(std::string_view name, std::string picture);

    // Gives every item its control number (1, 2, ... in declaration order: page header,
    // group headers outer to inner, details, group footers inner to outer, page footer).
    void numberControls();
    // Items in control-number order (for the translator).
    std::vector<Item*> controls();
    // The font an item in a band is drawn with.
    Font fontOf(const Band& band, const Item& item) const;

private:
    template <typename F>
    void forEachBand(F&& f);
};

}  // namespace tavlo::report
