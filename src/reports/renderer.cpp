#include "reports/renderer.h"

#include <algorithm>

#include "util/picture.h"
#include "util/text.h"

namespace tavlo::report {
namespace {

bool isNumeric(const Value& v) {
    return std::holds_alternative<Decimal>(v) || std::holds_alternative<long long>(v);
}

bool isDatePicture(const std::string& picture) {
    if (picture.empty()) return false;
    const std::size_t at = picture.front() == '@' ? 1 : 0;
    return picture.size() > at && (picture[at] == 'd' || picture[at] == 'D');
}

// Characters a picture shows, so that an item without a width is as wide as its picture
// (right-aligned values then line up on the picture's right edge).
int pictureCharacters(const std::string& picture) {
    const auto pic = Picture::parse(picture);
    if (!pic) return 0;
    switch (pic->kind) {
        case PictureKind::Text:
        case PictureKind::Number: return pic->width;
        case PictureKind::Date: return (pic->format == 5 || pic->format == 12) ? 8 : 10;
        case PictureKind::Time: return pic->format == 1 ? 5 : 8;
        case PictureKind::Pattern: return static_cast<int>(pic->pattern.size());
    }
    return 0;
}

}  // namespace

TextOp layoutText(const Font& font, const Item& item, const std::string& text, bool numeric, int left, int top) {
    TextOp op;
    op.font = font;
    op.align = item.align;
    op.x = left + item.x;
    op.y = top + item.y;
    op.height = item.height > 0 ? item.height : lineHeight(font);
    const int measured = textWidth(font, text);
    if (item.width <= 0) {
        op.width = measured;
        if (item.kind == ItemKind::Field)
            op.width = std::max(measured, pictureCharacters(item.picture) * textWidth(font, "0"));
        op.text = text;
        return op;
    }
    op.width = item.width;
    if (measured <= item.width) {
        op.text = text;
    } else if (numeric) {
        // An amount cut short would be read as a different amount: fill the box with '#'.
        const int hash = std::max(1, textWidth(font, "#"));
        op.text.assign(static_cast<std::size_t>(std::max(1, item.width / hash)), '#');
    } else {
        op.text = fitWidth(font, text, item.width, item.align == Align::Right);
    }
    return op;
}

int bodyBandHeight(const Layout& layout, const Band& band) {
    // A band is never shorter than its lowest item, so nothing it holds is overprinted by the
    // band that follows (a rule drawn under the column titles stays under them).
    int height = band.at.height;
    for (const Item& item : band.items) {
        int bottom = item.y;
        if (item.kind == ItemKind::Line)
            bottom += item.height + item.thickness / 2;
        else
            bottom += item.height > 0 ? item.height : lineHeight(layout.fontOf(band, item));
        height = std::max(height, bottom);
    }
    return height;
}

Renderer::Renderer(const Layout& layout) : layout_(layout) {}

void Renderer::print(std::string_view detailName) {
    if (const Band* band = layout_.detail(detailName)) print(*band);
}

void Renderer::print(const Band& detail) {
    const int groupCount = static_cast<int>(layout_.groups.size());
    const int depth = detail.groupDepth < 0 ? groupCount : std::min(detail.groupDepth, groupCount);
    std::vector<Value> keys;
    keys.reserve(static_cast<std::size_t>(depth));
    for (int i = 0; i < depth; ++i) {
        const Group& g = layout_.groups[static_cast<std::size_t>(i)];
        keys.push_back(g.key ? g.key() : Value{});
    }
    // The outermost group whose value changed; every group inside it breaks too.
    int changed = depth;
    for (int i = 0; i < depth; ++i) {
        if (i >= openGroups_ || !(keys[static_cast<std::size_t>(i)] == keys_[static_cast<std::size_t>(i)])) {
            changed = i;
            break;
        }
    }
    const int closeFrom = std::min(changed, openGroups_);
    for (int i = openGroups_ - 1; i >= closeFrom; --i) placeBodyBand(pendingFooters_[static_cast<std::size_t>(i)]);
    openGroups_ = closeFrom;
    for (int i = openGroups_; i < depth; ++i) {
        const Group& g = layout_.groups[static_cast<std::size_t>(i)];
        if (g.header) placeBodyBand(prepare(*g.header));
    }
    openGroups_ = depth;
    keys_ = std::move(keys);
    placeBodyBand(prepare(detail));
    pendingFooters_.resize(static_cast<std::size_t>(depth));
    for (int i = 0; i < depth; ++i) {
        const Group& g = layout_.groups[static_cast<std::size_t>(i)];
        pendingFooters_[static_cast<std::size_t>(i)] = g.footer ? prepare(*g.footer) : Prepared{};
    }
}

void Renderer::finish() {
    for (int i = openGroups_ - 1; i >= 0; --i) placeBodyBand(pendingFooters_[static_cast<std::size_t>(i)]);
    openGroups_ = 0;
    keys_.clear();
    pendingFooters_.clear();
    if (pageOpen_) endPage();
}

void Renderer::startPage() {
    ++pageNumber_;
    Page page;
    page.width = layout_.paper.width;
    page.height = layout_.paper.height;
    pages_.push_back(std::move(page));
    pageOpen_ = true;
    bodyUsed_ = false;
    cursor_ = layout_.body.y;
    if (layout_.pageHeader) placeBand(prepare(*layout_.pageHeader), layout_.pageHeader->at.x, layout_.pageHeader->at.y);
}

void Renderer::endPage() {
    if (layout_.pageFooter) placeBand(prepare(*layout_.pageFooter), layout_.pageFooter->at.x, layout_.pageFooter->at.y);
    pageOpen_ = false;
}

Renderer::Prepared Renderer::prepare(const Band& band) const {
    Prepared p;
    p.band = &band;
    for (const Item& item : band.items) {
        if (item.hidden) continue;
        bool numeric = false;
        std::optional<std::string> text;
        if (item.kind == ItemKind::Caption) {
            text = item.text;
        } else if (item.kind == ItemKind::Field) {
            const Value value = item.value ? item.value() : Value{};
            numeric = isNumeric(value) && !isDatePicture(item.picture);
            // Pictures pad numbers to their width; the box's alignment places them instead.
            // A number keeps a trailing blank (where a closing parenthesis would stand).
            const std::string shown = formatValue(value, item.picture);
            text = numeric ? shown.substr(std::min(shown.size(), shown.find_first_not_of(' '))) : trim(shown);
            if (trim(*text).empty()) continue;
        }
        p.items.emplace_back(&item, std::move(text));
        p.numerics.push_back(numeric);
    }
    return p;
}

void Renderer::placeBodyBand(const Prepared& band) {
    if (!band.band) return;
    if (!pageOpen_) startPage();
    const int height = bodyBandHeight(layout_, *band.band);
    const int bottom = layout_.body.y + layout_.body.height;
    if (bodyUsed_ && cursor_ + height > bottom) {
        endPage();
        startPage();
    }
    placeBand(band, layout_.body.x, cursor_);
    cursor_ += height;
    bodyUsed_ = true;
}

void Renderer::placeBand(const Prepared& band, int left, int top) {
    Page& page = pages_.back();
    for (std::size_t i = 0; i < band.items.size(); ++i) {
        const Item& item = *band.items[i].first;
        const Font font = layout_.fontOf(*band.band, item);
        switch (item.kind) {
            case ItemKind::Line: {
                LineOp line;
                line.x1 = left + item.x;
                line.y1 = top + item.y;
                line.x2 = line.x1 + item.width;
                line.y2 = line.y1 + item.height;
                line.thickness = item.thickness;
                page.ops.emplace_back(line);
                break;
            }
            case ItemKind::PageNumber: {
                const std::string text = trim(formatValue(Value{static_cast<long long>(pageNumber_)}, item.picture));
                page.ops.emplace_back(layoutText(font, item, text, false, left, top));
                break;
            }
            case ItemKind::Caption:
            case ItemKind::Field:
                page.ops.emplace_back(layoutText(font, item, *band.items[i].second, band.numeric(i), left, top));
                break;
        }
    }
}

}  // namespace tavlo::report
