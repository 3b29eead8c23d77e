#include "reports/layout.h"

#include <utility>


namespace tavlo::report {

Item field(std::string name, int x, int y, int width, std::string picture, std::function<Value()> value, Align align) {
    Item item;
    item.kind = ItemKind::Field;
    item.name = std::move(name);
    item.x = x;
    item.y = y;
    item.width = width;
    item.picture = std::move(picture);
    item.value = std::move(value);
    item.align = align;
    return item;
}

Item caption(std::string text, int x, int y, int width, Align align) {
    Item item;
    item.kind = ItemKind::Caption;
    item.name = text;
    item.text = std::move(text);
    item.x = x;
    item.y = y;
    item.width = width;
    item.align = align;
    return item;
}

Item hline(int x, int y, int width) {
    Item item;
    item.kind = ItemKind::Line;
    item.x = x;
    item.y = y;
    item.width = width;
    return item;
}

Item vline(int x, int y, int height) {
    Item item;
    item.kind = ItemKind::Line;
    item.x = x;
    item.y = y;
    item.height = height;
    return item;
}

Item pageNumber(std::string name, int x, int y, int width, std::string picture, Align align) {
    Item item;
    item.kind = ItemKind::PageNumber;
    item.name = std::move(name);
    item.x = x;
    item.y = y;
    item.width = width;
    item.picture = std::move(picture);
    item.align = align;
    return item;
}

Item& Band::add(Item item) {
    items.push_back(std::move(item));
    return items.back();
}

template <typename F>
void Layout::forEachBand(F&& f) {
    if (pageHeader) f(*pageHeader);
    for (Group& g : groups)
        if (g.header) f(*g.header);
    for (Band& d : details) f(d);
    for (auto it = groups.rbegin(); it != groups.rend(); ++it)
        if (it->footer) f(*it->footer);
    if (pageFooter) f(*pageFooter);
}

Item* Layout::find(std::string_view name) {
    Item* found = nullptr;
    forEachBand([&](Band& band) {
        for (Item& item : band.items)
            if (!found && item.name == name) found = &item;
    });
    return found;
}

const Band* Layout::detail(std::string_view name) const {
    for (const Band& d : details)
        if (d.name == name) return &d;
    return nullptr;
}

void Layout::setHidden(std::string_view name, bool hidden) {
    if (Item* item = find(name)) item->hidden = hidden;
}

void Layout::setPicture(std::string_view name, std::string picture) {
    if (Item* item = find(name)) item->picture = std::move(picture);
}

void Layout::numberControls() {
    int next = 1;
    forEachBand([&](Band& band) {
        for (Item& item : band.items) item.number = next++;
    });
}

std::vector<Item*> Layout::controls() {
    std::vector<Item*> out;
    forEachBand([&](Band& band) {
        for (Item& item : band.items) out.push_back(&item);
    });
    return out;
}

Font Layout::fontOf(const Band& band, const Item& item) const {
    if (item.font) return *item.font;
    if (band.font) return *band.font;
    return font;
}

}  // namespace tavlo::report
