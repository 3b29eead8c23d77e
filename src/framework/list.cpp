#include "framework/list.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>

#include "framework/language.h"
#include "framework/message.h"
#include "util/picture.h"
#include "util/text.h"

namespace tavlo {

bool operator==(const Row& a, const Row& b) {
    if (a.cells.size() != b.cells.size()) return false;
    for (std::size_t i = 0; i < a.cells.size(); ++i) {
        const Value& x = a.cells[i];
        const Value& y = b.cells[i];
        if (x.index() != y.index()) {
            if (compareValues(x, y) != 0) return false;
        } else if (std::holds_alternative<std::string>(x)) {
            if (!sameText(std::get<std::string>(x), std::get<std::string>(y))) return false;
        } else if (x != y) {
            return false;
        }
    }
    return true;
}

MemoryRows::MemoryRows(std::vector<Row> rows) : rows_(std::move(rows)) {
    for (auto& r : rows_) {
        if (r.id == 0) r.id = nextId_;
        nextId_ = std::max(nextId_, r.id + 1);
    }
}

bool MemoryRows::insert(Row& row) {
    row.id = nextId_++;
    rows_.push_back(row);
    return true;
}

bool MemoryRows::update(const Row& row) {
    for (auto& r : rows_)
        if (r.id == row.id) {
            r = row;
            return true;
        }
    return false;
}

bool MemoryRows::remove(const Row& row) {
    auto it = std::find_if(rows_.begin(), rows_.end(), [&](const Row& r) { return r.id == row.id; });
    if (it == rows_.end()) return false;
    rows_.erase(it);
    return true;
}

std::vector<Row> PagedSource::load() { return edge(Order{}, false, std::numeric_limits<std::size_t>::max()); }

EditAction actionForKey(const Key& key) {
    switch (key.code) {
        case Key::Tab: return key.shift ? EditAction::Backward : EditAction::Forward;
        case Key::Enter: return EditAction::Complete;
        case Key::Esc: return EditAction::Cancel;
        case Key::Down: return EditAction::Next;
        case Key::Up: return EditAction::Previous;
        default: return EditAction::None;
    }
}

ListControl::ListControl(std::vector<ListColumn> cols, std::shared_ptr<ListSource> src)
    : columns(std::move(cols)), source(std::move(src)) {}

void ListControl::reload() {
    std::int64_t keep = 0;
    std::optional<Row> kept;
    if (const Row* r = selectedRow()) {
        keep = r->id;
        kept = *r;
    }
    int place = 0;  // a paged view: where the kept row stood, when it is gone
    if (walkable()) {
        windowed_ = true;
        loaded_.clear();
        if (keep != 0) place = windowAround(*kept);
        else windowFromEdge(false);
    } else {
        windowed_ = false;
        loaded_ = source ? source->load() : std::vector<Row>{};
        for (auto& r : loaded_)
            if (r.cells.size() < columns.size()) r.cells.resize(columns.size());
        applySort();
    }
    selected_ = -1;
    if (keep != 0)
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].id == keep) selected_ = static_cast<int>(i);
    if (selected_ < 0 && !rows_.empty()) selected_ = std::min(place, static_cast<int>(rows_.size()) - 1);
    touched();
}

void ListControl::applySort() {
    rows_.clear();
    for (const auto& r : loaded_)
        if (!filter || filter(r)) rows_.push_back(r);
    if (sortColumn_ >= 0) {
        auto col = static_cast<std::size_t>(sortColumn_);
        std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
            int c = compareValues(a.cells[col], b.cells[col]);
            return descending_ ? c > 0 : c < 0;
        });
    }
}

// ---- Paged views ----------------------------------------------------------------------------

PagedSource* ListControl::walkable() const {
    auto* paged = dynamic_cast<PagedSource*>(source.get());
    if (!paged || (sortColumn_ >= 0 && !paged->sortsBy(sortColumn_))) return nullptr;
    return paged;
}

// Reads on from `anchor` (from an end of the order without one) until some row passes the
// filter or the view ends; the rows in the order's sequence.
std::vector<Row> ListControl::readPage(const Row* anchor, bool backwards, bool& ended) {
    PagedSource* paged = walkable();
    const std::size_t count = std::max<std::size_t>(pageSize, 1);
    std::vector<Row> out;
    std::optional<Row> from;
    if (anchor) from = *anchor;
    for (;;) {
        std::vector<Row> got = from ? paged->beside(order(), *from, backwards, count) : paged->edge(order(), backwards, count);
        ended = got.size() < count;
        if (!got.empty()) from = backwards ? got.front() : got.back();
        std::vector<Row> passed;
        for (auto& r : got) {
            if (r.cells.size() < columns.size()) r.cells.resize(columns.size());
            if (!filter || filter(r)) passed.push_back(std::move(r));
        }
        out.insert(backwards ? out.begin() : out.end(), std::make_move_iterator(passed.begin()),
                   std::make_move_iterator(passed.end()));
        if (!out.empty() || ended) return out;
    }
}

void ListControl::windowFromEdge(bool fromEnd) {
    bool ended = false;
    rows_ = readPage(nullptr, fromEnd, ended);
    atStart_ = !fromEnd || ended;
    atEnd_ = fromEnd || ended;
}

// A page on either side of the row, the row itself (when it is still there) first after it.
// Returns the index the row has (or would have, when it is gone) in the window.
int ListControl::windowAround(const Row& row) {
    bool endedBefore = false, endedAfter = false;
    std::vector<Row> before = readPage(&row, true, endedBefore);
    if (before.empty()) {
        windowFromEdge(false);
        return 0;
    }
    const auto at = static_cast<int>(before.size());
    std::vector<Row> after = readPage(&before.back(), false, endedAfter);
    rows_ = std::move(before);
    rows_.insert(rows_.end(), std::make_move_iterator(after.begin()), std::make_move_iterator(after.end()));
    atStart_ = endedBefore;
    atEnd_ = endedAfter;
    return at;
}

// Reads a page beyond one end of the window; the far end gives way when the window is full.
// Returns how far the rows already there moved (rows added in front, or taken off the front).
int ListControl::extendWindow(bool backwards) {
    if (rows_.empty()) {
        atStart_ = atEnd_ = true;
        return 0;
    }
    bool ended = false;
    const Row anchor = backwards ? rows_.front() : rows_.back();
    std::vector<Row> more = readPage(&anchor, backwards, ended);
    (backwards ? atStart_ : atEnd_) = ended;
    const std::size_t limit = std::max(windowLimit, 2 * std::max<std::size_t>(pageSize, 1));
    int shift = 0;
    if (backwards) {
        shift = static_cast<int>(more.size());
        rows_.insert(rows_.begin(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
        if (rows_.size() > limit) {
            rows_.resize(limit);
            atEnd_ = false;
        }
    } else {
        rows_.insert(rows_.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
        if (rows_.size() > limit) {
            shift = -static_cast<int>(rows_.size() - limit);
            rows_.erase(rows_.begin(), rows_.begin() - shift);
            atStart_ = false;
        }
    }
    touched();
    return shift;
}

bool ListControl::readOn(bool backwards) {
    if (!windowed_ || (backwards ? atStart_ : atEnd_) || editing()) return false;
    const std::size_t before = rows_.size();
    const int shift = extendWindow(backwards);
    if (selected_ >= 0) selected_ = std::clamp(selected_ + shift, 0, static_cast<int>(rows_.size()) - 1);
    return rows_.size() != before || shift != 0;
}

// Moves the selection by `delta` rows, reading on past the window's ends as far as it goes.
// The window keeps at least two pages, so the row aimed at is never the one that gives way.
void ListControl::moveSelection(int delta) {
    int to = selected_ + delta;
    while (windowed_ && to < 0 && !atStart_) to += extendWindow(true);
    while (windowed_ && to >= static_cast<int>(rows_.size()) && !atEnd_) to += extendWindow(false);
    select(to);
    resetLocator();
}

void ListControl::select(int index) {
    if (rows_.empty()) index = -1;
    else index = std::clamp(index, 0, static_cast<int>(rows_.size()) - 1);
    if (index != selected_) resetLocator();
    selected_ = index;
    touched();
}

const Row* ListControl::selectedRow() const {
    if (selected_ < 0 || static_cast<std::size_t>(selected_) >= rows_.size()) return nullptr;
    return &rows_[static_cast<std::size_t>(selected_)];
}

bool ListControl::takeKey(const Key& key, int pageRows) {
    if (key.ctrl || key.alt) return false;
    auto move = [&](int to) {
        select(to);
        resetLocator();
        return true;
    };
    auto step = [&](int delta) {
        moveSelection(delta);
        return true;
    };
    switch (key.code) {
        case Key::Up: return step(-1);
        case Key::Down: return step(1);
        case Key::PageUp: return step(-pageRows);
        case Key::PageDown: return step(pageRows);
        case Key::Home:
            if (windowed_ && !atStart_) windowFromEdge(false);
            return move(0);
        case Key::End:
            if (windowed_ && !atEnd_) windowFromEdge(true);
            return move(static_cast<int>(rows_.size()) - 1);
        case Key::Backspace:
            if (locator_.empty()) return false;
            // Drop the last UTF-8 character.
            do locator_.pop_back();
            while (!locator_.empty() && (static_cast<unsigned char>(locator_.back()) & 0xC0) == 0x80);
            return true;
        case Key::Space: locate(U' '); return true;
        case Key::Character: locate(key.character); return true;
        default: return false;
    }
}

void ListControl::clickHeading(int column) {
    if (!sortable || column < 0 || static_cast<std::size_t>(column) >= columns.size()) return;
    if (sortColumn_ == column) descending_ = !descending_;
    else {
        sortColumn_ = column;
        descending_ = false;
    }
    std::int64_t keep = selectedRow() ? selectedRow()->id : 0;
    if (walkable()) {
        std::optional<Row> kept;
        if (keep != 0) kept = *selectedRow();
        windowed_ = true;
        loaded_.clear();
        if (kept) windowAround(*kept);
        else windowFromEdge(false);
    } else {
        if (windowed_) {
            // A heading the view has no order for: the whole view, sorted here.
            windowed_ = false;
            loaded_ = source ? source->load() : std::vector<Row>{};
            for (auto& r : loaded_)
                if (r.cells.size() < columns.size()) r.cells.resize(columns.size());
        }
        applySort();
    }
    selected_ = rows_.empty() ? -1 : 0;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (keep != 0 && rows_[i].id == keep) selected_ = static_cast<int>(i);
    resetLocator();
    touched();
}

void ListControl::locate(char32_t character) {
    Key k = Key::ch(character);
    locator_ += keyName(k);
    int col = sortColumn_ >= 0 ? sortColumn_ : locatorColumn;
    if (col < 0 || static_cast<std::size_t>(col) >= columns.size()) return;
    std::string wanted = upper(locator_);
    auto starts = [&](const Row& r) {
        std::string cell = upper(formatValue(r.cells[static_cast<std::size_t>(col)], columns[static_cast<std::size_t>(col)].picture));
        cell = trim(cell);
        return cell.compare(0, wanted.size(), wanted) == 0;
    };
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (starts(rows_[i])) {
            selected_ = static_cast<int>(i);
            break;
        }
    touched();
}

bool ListControl::deleteSelected() {
    const Row* r = selectedRow();
    if (!r) return false;
    Row row = *r;
    if (confirmDelete) {
        MessageRequest q;
        bool afr = uiLanguage() == 2;
        q.title = afr ? "Bevestig" : "Confirm Delete";
        q.text = afr ? "Is u seker u wil die gemerkte rekord skrap?" : "Are you sure you want to delete the highlighted record?";
        q.icon = Icon::Question;
        q.buttons = ButtonYes | ButtonNo;
        q.defaultButton = ButtonNo;
        if (showMessage(q) != ButtonYes) return false;
    }
    if (beforeDelete && !beforeDelete(row)) return false;
    bool ok = onDelete ? onDelete(row) : (source && source->remove(row));
    if (!ok) return false;
    int at = selected_;
    reload();
    // A paged view has already put the selection on the row that took the deleted one's place.
    if (!windowed_) select(std::min(at, static_cast<int>(rows_.size()) - 1));
    return true;
}

// ---- In-list editing -----------------------------------------------------------------------

int ListControl::nextEditable(int from, int step) const {
    for (int c = from + step; c >= 0 && c < static_cast<int>(columns.size()); c += step)
        if (columns[static_cast<std::size_t>(c)].editable) return c;
    return -1;
}

int ListControl::firstEditable() const { return nextEditable(-1, 1); }
int ListControl::lastEditable() const { return nextEditable(static_cast<int>(columns.size()), -1); }

std::string ListControl::editorText() const {
    if (!editing_ || editColumn_ < 0) return {};
    const auto& col = columns[static_cast<std::size_t>(editColumn_)];
    return trim(formatValue(editRow_.cells[static_cast<std::size_t>(editColumn_)], col.picture));
}

void ListControl::openEditorOn(int index, bool inserting, int column) {
    editing_ = true;
    inserting_ = inserting;
    editIndex_ = index;
    if (inserting) {
        editRow_ = Row{};
        editRow_.cells.resize(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) {
            auto pic = Picture::parse(columns[i].picture);
            bool text = !pic || pic->kind == PictureKind::Text;
            editRow_.cells[i] = text ? Value(std::string()) : Value(Decimal());
        }
        if (primeRow) primeRow(editRow_);
    } else {
        editRow_ = rows_[static_cast<std::size_t>(index)];
        selected_ = index;
    }
    originalRow_ = editRow_;
    editColumn_ = -1;
    resetLocator();
    int start = column >= 0 && static_cast<std::size_t>(column) < columns.size() ? column : firstEditable();
    if (start < 0 || !enterColumn(start, 1)) {
        // No column takes the editor: nothing to edit.
        if (editing_) stopEditing();
    }
    touched();
}

// Enters the column; an editor that passes on at once is skipped in the direction of travel.
bool ListControl::enterColumn(int column, int step) {
    for (int c = column; c >= 0;) {
        editColumn_ = c;
        EditAction a = onEditAction ? onEditAction(c, EditAction::None) : EditAction::None;
        if (!editing_) return true;  // the handler ended editing
        if (a == EditAction::Forward || a == EditAction::Backward) {
            int next = nextEditable(c, step);
            if (next < 0) {
                // Nothing further that way: stay in the last one that would take the editor.
                editColumn_ = c;
                return true;
            }
            c = next;
            continue;
        }
        return true;
    }
    return false;
}

bool ListControl::beginInsert(int column) {
    if (!editInPlace || editing_) return false;
    openEditorOn(static_cast<int>(rows_.size()), true, column);
    return editing_;
}

bool ListControl::beginChange(int column) {
    if (!editInPlace || editing_ || !selectedRow()) return false;
    openEditorOn(selected_, false, column);
    return editing_;
}

bool ListControl::storeTyped(const std::string& typed) {
    if (editColumn_ < 0) return true;
    const auto& col = columns[static_cast<std::size_t>(editColumn_)];
    auto parsed = parseValue(typed, col.picture);
    if (!parsed) return false;
    Value& cell = editRow_.cells[static_cast<std::size_t>(editColumn_)];
    // Keep the cell's kind: a number column stays a number.
    if (std::holds_alternative<long long>(cell)) cell = Value(valueNumber(*parsed).toLongLong());
    else cell = *parsed;
    return true;
}

bool ListControl::saveEditRow() {
    Row row = editRow_;
    bool ok;
    if (saveRow) ok = saveRow(row, inserting_);
    else if (!source) ok = false;
    else ok = inserting_ ? source->insert(row) : source->update(row);
    if (!ok) return false;
    std::int64_t id = row.id;
    editing_ = false;
    reload();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (id != 0 && rows_[i].id == id) selected_ = static_cast<int>(i);
    if (inserting_ && id == 0 && !rows_.empty()) selected_ = static_cast<int>(rows_.size()) - 1;
    editing_ = true;
    return true;
}

void ListControl::stopEditing() {
    editing_ = false;
    inserting_ = false;
    editColumn_ = -1;
    editIndex_ = -1;
    touched();
}

void ListControl::editorKey(const Key& key, const std::string& typed) {
    if (!editing_) return;
    EditAction proposed = actionForKey(key);
    if (proposed == EditAction::None) return;
    if (proposed != EditAction::Cancel && !storeTyped(typed)) {
        if (onTypedRefused) onTypedRefused(editColumn_, typed);
        touched();
        return;  // the text does not fit the column's picture: stay
    }
    int column = editColumn_;
    EditAction a = onEditAction ? onEditAction(column, proposed) : proposed;
    if (!editing_) return;
    touched();
    switch (a) {
        case EditAction::None:
            return;
        case EditAction::Forward: {
            int next = nextEditable(column, 1);
            if (next >= 0) {
                enterColumn(next, 1);
                return;
            }
            // Out of the last column: save without asking and go on with the next row.
            if (!saveEditRow()) return;
            int after = inserting_ ? static_cast<int>(rows_.size()) : editIndex_ + 1;
            if (!inserting_ && after < static_cast<int>(rows_.size())) openEditorOn(after, false, firstEditable());
            else openEditorOn(static_cast<int>(rows_.size()), true, firstEditable());
            return;
        }
        case EditAction::Backward: {
            int prev = nextEditable(column, -1);
            if (prev >= 0) enterColumn(prev, -1);
            return;
        }
        case EditAction::Next:
        case EditAction::Previous: {
            bool wasInserting = inserting_;
            int index = wasInserting ? -1 : editIndex_;
            if (!saveEditRow()) return;
            if (wasInserting) index = selected_;
            int to = index + (a == EditAction::Next ? 1 : -1);
            if (to < 0) to = 0;
            if (to >= static_cast<int>(rows_.size())) openEditorOn(static_cast<int>(rows_.size()), true, column);
            else openEditorOn(to, false, column);
            return;
        }
        case EditAction::Complete:
            endEditing(EditAction::Complete);
            return;
        case EditAction::Cancel:
            endEditing(EditAction::Cancel);
            return;
    }
}

void ListControl::endEditing(EditAction action) {
    if (!editing_) return;
    if (action == EditAction::Cancel) {
        stopEditing();
        return;
    }
    if (!rowChanged()) {
        stopEditing();
        return;
    }
    unsigned answer;
    if (askSave) {
        answer = askSave();
    } else {
        MessageRequest q;
        bool afr = uiLanguage() == 2;
        q.title = afr ? "Bevestig" : "Confirm";
        q.text = afr ? "Wil u die veranderinge stoor?" : "Do you want to save the changes?";
        q.icon = Icon::Question;
        q.buttons = ButtonYes | ButtonNo | ButtonCancel;
        q.defaultButton = ButtonYes;
        answer = showMessage(q);
    }
    if (answer == ButtonYes) {
        if (saveEditRow()) stopEditing();
    } else if (answer == ButtonNo) {
        stopEditing();
    }
    // Cancel: stay in the editor.
}

void ListControl::editorFocusLost() {
    if (!editing_) return;
    if (onEditorFocusLost) onEditorFocusLost();
}

}  // namespace tavlo
