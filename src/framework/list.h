#pragma once
// A list on a window: columns with headings and pictures, rows from a view, a selected row,
// click-to-sort headings, a type-ahead locator, and an in-list editor.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/value.h"
#include "framework/window.h"

namespace tavlo {

struct Row {
    std::vector<Value> cells;  // one per column, in column order
    std::int64_t id = 0;       // what the view needs to find the row again (a record id); 0 = new
    Value& operator[](std::size_t column) { return cells.at(column); }
    const Value& operator[](std::size_t column) const { return cells.at(column); }
    friend bool operator==(const Row& a, const Row& b);
};

struct ListColumn {
    ListColumn() = default;
    ListColumn(std::string h, std::string p, int w = 40, char a = 'L')
        : heading(std::move(h)), picture(std::move(p)), width(w), align(a) {}
    std::string heading;
    std::string picture;   // "@s20", "@n-13.3"
    int width = 40;        // dialog units
    char align = 'L';      // 'L' left, 'R' right, 'C' centred, 'D' decimal-aligned
    int indent = 2;        // dialog units
    bool resizable = true;
    bool editable = false; // has an in-list editor
    std::string help;      // status-bar text while its editor is open
};

// Where a list's rows come from. load() returns the rows in the view's order (a key, or file
// order) with the view's filter applied; a table-backed view reads its table here.
class ListSource {
public:
    virtual ~ListSource() = default;
    virtual std::vector<Row> load() = 0;
    // Storing rows is optional: a view that cannot store returns false.
    virtual bool insert(Row& row) { (void)row; return false; }
    virtual bool update(const Row& row) { (void)row; return false; }
    virtual bool remove(const Row& row) { (void)row; return false; }
};

// Rows kept in memory (pick lists built in code, queue viewers, tests). Ids are given on insert.
class MemoryRows : public ListSource {
public:
    MemoryRows() = default;
    explicit MemoryRows(std::vector<Row> rows);
    std::vector<Row> load() override { return rows_; }
    bool insert(Row& row) override;
    bool update(const Row& row) override;
    bool remove(const Row& row) override;
    std::vector<Row>& rows() { return rows_; }

private:
    std::vector<Row> rows_;
    std::int64_t nextId_ = 1;
};

// A view given by functions: the usual way to show a table in key order with a filter.
class FunctionRows : public ListSource {
public:
    explicit FunctionRows(std::function<std::vector<Row>()> load) : load_(std::move(load)) {}
    std::vector<Row> load() override { return load_(); }

private:
    std::function<std::vector<Row>()> load_;
};

// A view too large to read whole (years of documents): the list keeps a window of its rows and
// reads on from the window's ends as the selection moves past them, so a list opens after one
// page however many rows the view has. A paged view walks its own order and the columns it has
// an order for (sortsBy); a heading it cannot walk sorts the whole view in memory, as a list of
// any other source does. Rows are found again by their cells and id, so a row must carry what
// the view needs to stand on it in each of its orders.
class PagedSource : public ListSource {
public:
    struct Order {
        int column = -1;  // -1: the view's own order
        bool descending = false;
    };
    virtual bool sortsBy(int column) const { (void)column; return false; }
    // Up to `count` rows at the start of the order, or the last `count` rows when fromEnd; in
    // the order's sequence either way.
    virtual std::vector<Row> edge(const Order& order, bool fromEnd, std::size_t count) = 0;
    // Up to `count` rows that follow `row` in the order (that precede it when backwards), in
    // the order's sequence either way. `row` itself is never among them, even when it is gone.
    virtual std::vector<Row> beside(const Order& order, const Row& row, bool backwards, std::size_t count) = 0;
    // Every row in the view's own order.
    std::vector<Row> load() override;
};

// What an in-list editor reports when a key ends or moves it.
enum class EditAction {
    None,      // stay in this column
    Forward,   // Tab: the next editable column
    Backward,  // Shift+Tab: the previous editable column
    Next,      // Down: save without asking, same column on the next row
    Previous,  // Up: save without asking, same column on the previous row
    Complete,  // Enter: save after the save question when the row changed, end editing
    Cancel,    // Esc: abandon the row, end editing
};
EditAction actionForKey(const Key& key);  // None for keys that do not move the editor

class ListControl {
public:
    ListControl() = default;
    ListControl(std::vector<ListColumn> columns, std::shared_ptr<ListSource> source);

    std::vector<ListColumn> columns;
    std::shared_ptr<ListSource> source;
    // An extra filter on top of the view's own; rows for which it is false are not shown.
    std::function<bool(const Row&)> filter;

    // Rows as shown now (after filter and sort). For a paged source: the window read so far,
    // which moves as the selection does (the extra filter applies to the rows read).
    const std::vector<Row>& rows() const { return rows_; }
    std::size_t size() const { return rows_.size(); }
    // Re-reads the view; the selection stays on the same row id when it is still there (a paged
    // view reads the window around it).
    void reload();

    // Paged sources: rows read at once, the most the window keeps, and whether the rows shown
    // are a window (false while a heading the view cannot walk sorts it in memory).
    std::size_t pageSize = 50;
    std::size_t windowLimit = 500;
    bool windowed() const { return windowed_; }
    bool windowAtStart() const { return !windowed_ || atStart_; }
    bool windowAtEnd() const { return !windowed_ || atEnd_; }
    // Reads a page beyond the start or end of the window (a mouse scrolled the view to that
    // end), keeping the selection on its row; when the window gives that row up, the selection
    // goes to the nearest row still read. False when there was nothing more to read.
    bool readOn(bool backwards);

    // Selection: index into rows(), -1 when the list is empty or nothing is selected.
    int selected() const { return selected_; }
    void select(int index);
    const Row* selectedRow() const;
    // Up, Down, PageUp, PageDown, Home, End move the selection; printable characters feed the
    // locator. Returns true when the key was used.
    bool takeKey(const Key& key, int pageRows = 10);

    // Click-to-sort headings: a click sorts by that column ascending, a second click on the
    // same column reverses it. sortColumn() is -1 while the view's own order is shown.
    bool sortable = true;
    void clickHeading(int column);
    int sortColumn() const { return sortColumn_; }
    bool descending() const { return descending_; }

    // Type-ahead locator: characters typed in a row collect into a prefix, and the selection
    // moves to the first row whose locator column starts with it (case ignored). Backspace
    // takes a character off; moving the selection by other means starts again.
    int locatorColumn = 0;  // used while the view's own order is shown; else the sort column
    const std::string& locatorText() const { return locator_; }
    void locate(char32_t character);
    void resetLocator() { locator_.clear(); }

    // Insert, change and delete. With in-list editing on, insert and change open the editor;
    // otherwise they call the procedure's handlers (an update form).
    int insertButton = 0, changeButton = 0, deleteButton = 0, selectButton = 0;
    std::function<void()> onInsert, onChange, onSelect;
    // Called before the list deletes the selected row; false keeps the row.
    std::function<bool(const Row&)> beforeDelete;
    // Called to delete; when unset the source removes the row.
    std::function<bool(const Row&)> onDelete;
    bool confirmDelete = true;
    // Deletes the selected row (asking first when confirmDelete). True when it was deleted.
    bool deleteSelected();

    // ---- In-list editing -------------------------------------------------------------------
    bool editInPlace = false;
    // Fills a new row before its editor opens (cells are blank values of each column otherwise).
    std::function<void(Row&)> primeRow;
    // Runs when the editor of a column reports an action, after the typed text is in the row
    // (editRow()). It also runs with None when the editor enters a column. It returns what the
    // list should do: the action as given, None to stay in the column, or Forward to pass on
    // (an editor that reports Forward on entry is skipped in the direction of travel).
    std::function<EditAction(int column, EditAction action)> onEditAction;
    // Stores the edited row; false keeps the editor open on it. When unset the source stores it.
    std::function<bool(Row& row, bool inserting)> saveRow;
    // The editor lost the focus to another control; editing stays open.
    std::function<void()> onEditorFocusLost;
    // Typed text the column's picture cannot take (letters in a number, too many digits): the
    // editor stays in the column; the window may say why.
    std::function<void(int column, const std::string& typed)> onTypedRefused;

    bool editing() const { return editing_; }
    bool inserting() const { return inserting_; }
    int editColumn() const { return editColumn_; }  // 0-based column, -1 when not editing
    int editIndex() const { return editIndex_; }    // row being edited; == size() for a new row
    Row& editRow() { return editRow_; }
    bool rowChanged() const { return editing_ && !(editRow_ == originalRow_); }

    // Opens the editor on a new row at the end / on the selected row, in the first editable
    // column (or the given one). False when there is nothing to edit.
    bool beginInsert(int column = -1);
    bool beginChange(int column = -1);
    // The operator's key in the editor with the text the editor holds. Keys that do not move
    // the editor (letters) are ignored here: the face keeps them in its editor.
    void editorKey(const Key& key, const std::string& typed);
    // Ends editing as the given action would (Complete asks, Cancel abandons).
    void endEditing(EditAction action);
    void editorFocusLost();
    // The text the editor should hold for the current column.
    std::string editorText() const;

    // The question Enter asks when the row changed: returns ButtonYes (save), ButtonNo
    // (abandon) or ButtonCancel (stay). When unset the standard question is shown.
    std::function<unsigned()> askSave;

    // Raised whenever rows, selection or editing change, so the face redraws.
    std::uint64_t version() const { return version_; }
    void touched() { ++version_; }

private:
    void applySort();
    PagedSource* walkable() const;
    PagedSource::Order order() const { return {sortColumn_, descending_}; }
    std::vector<Row> readPage(const Row* anchor, bool backwards, bool& ended);
    void windowFromEdge(bool fromEnd);
    int windowAround(const Row& row);
    int extendWindow(bool backwards);
    void moveSelection(int delta);
    void showView(const Row* keep);
    int nextEditable(int from, int step) const;
    bool enterColumn(int column, int step);
    bool storeTyped(const std::string& typed);
    bool saveEditRow();
    void stopEditing();
    void openEditorOn(int index, bool inserting, int column);
    int firstEditable() const;
    int lastEditable() const;

    std::vector<Row> loaded_;
    std::vector<Row> rows_;
    bool windowed_ = false, atStart_ = true, atEnd_ = true;
    int selected_ = -1;
    int sortColumn_ = -1;
    bool descending_ = false;
    std::string locator_;

    bool editing_ = false;
    bool inserting_ = false;
    int editColumn_ = -1;
    int editIndex_ = -1;
    Row editRow_, originalRow_;
    std::uint64_t version_ = 0;
};

}  // namespace tavlo
