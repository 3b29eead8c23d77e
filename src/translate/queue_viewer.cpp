#include "translate/queue_viewer.h"

#include "framework/list.h"
#include "framework/message.h"
#include "framework/runtime.h"
#include "util/text.h"

namespace tavlo {

namespace {
constexpr std::size_t kMaxColumns = 50;
}

std::string defaultPicture(const QueueField& field) {
    switch (field.kind) {
        case QueueField::Kind::Date: return "@d06";
        case QueueField::Kind::Decimal: return "@n-15.2";
        case QueueField::Kind::Number: return "@n-15";
        case QueueField::Kind::Text: break;
    }
    return "@s255";
}

Queue veldQueue(const VeldQ& list) {
    Queue q;
    q.fields = {{"VQ:NO", false, 0, QueueField::Kind::Number},
                {"VQ:TIPE", false, 0, QueueField::Kind::Number},
                {"VQ:TEKS"}, {"VQ:BDS"}, {"VQ:TIP"}};
    for (const VeldEntry& e : list)
        q.rows.push_back({std::to_string(e.NO), std::to_string(e.TIPE), e.TEKS, e.BDS, e.TIP});
    return q;
}

QueueViewer::QueueViewer(Queue queue, std::string title)
    : Procedure("ProQView"), queue_(std::move(queue)), title_(trim(title).empty() ? "Queue" : std::move(title)) {}

bool QueueViewer::Init(Runtime& rt) {
    (void)rt;
    nameToGlobalErrors();
    openWindow();  // diagnostics keep their fixed texts
    restorePosition();
    return true;
}

void QueueViewer::DefineWindow(Window& w) {
    w = Window(title_, 400, 220);
    std::vector<ListColumn> columns;
    std::vector<std::size_t> shown;
    const std::size_t n = std::min(queue_.fieldCount(), kMaxColumns);
    for (std::size_t f = 0; f < n; ++f) {
        const QueueField& field = queue_.fields[f];
        if (field.dimensions > 0 && !refused_) {
            refused_ = true;
            MessageRequest m;
            m.title = title_;
            m.text = "Column: " + std::to_string(f + 1) + " has " + std::to_string(field.dimensions) + " dimensions" +
                     "|Cannot view a queue wih dimensioned fields";
            showMessage(m);
        }
        std::size_t widest = 4;
        for (const auto& row : queue_.rows)
            if (f < row.size()) widest = std::max(widest, characterCount(row[f]));
        ListColumn c(field.name, defaultPicture(field), f == 0 ? 60 : static_cast<int>(std::min<std::size_t>(widest, 60) * 4 + 8),
                     field.kind == QueueField::Kind::Text ? 'L' : 'R');
        columns.push_back(std::move(c));
        shown.push_back(f);
    }
    std::vector<Row> rows;
    for (const auto& r : queue_.rows) {
        Row row;
        for (std::size_t f : shown) {
            const std::string v = f < r.size() ? r[f] : std::string();
            const QueueField& field = queue_.fields[f];
            if (field.kind == QueueField::Kind::Text) row.cells.emplace_back(v);
            else if (auto d = Decimal::parse(trim(v))) row.cells.emplace_back(*d);
            else row.cells.emplace_back(v);
        }
        rows.push_back(std::move(row));
    }
    model_ = std::make_shared<ListControl>(std::move(columns), std::make_shared<MemoryRows>(std::move(rows)));
    list_ = w.list(model_).at(4, 4, 392, 180).name("List");
    w.prompt("Picture").at(4, 192);
    picture_ = w.entry(&pictureText_, "@s20").at(40, 190, 80, 10).name("Picture");
    view_ = w.button("View").at(236, 188, 50, 14);
    export_ = w.button("Export").at(290, 188, 50, 14);
    close_ = w.button("Close").at(344, 188, 50, 14).closes();
}

void QueueViewer::TakeOpened() {
    if (refused_) {
        close(Response::Cancelled);
        return;
    }
    model_->reload();
    if (model_->size() > 0) model_->select(0);
    if (!model_->columns.empty()) pictureText_ = model_->columns[0].picture;
}

void QueueViewer::TakeNewSelection(int control) {
    if (control == list_ && model_->sortColumn() >= 0)
        pictureText_ = model_->columns[static_cast<std::size_t>(model_->sortColumn())].picture;
}

void QueueViewer::TakeAccepted(int control) {
    if (control == picture_) {
        // The picture belongs to the column last clicked (the first one until then).
        const int column = std::max(0, model_->sortColumn());
        if (static_cast<std::size_t>(column) < model_->columns.size()) {
            model_->columns[static_cast<std::size_t>(column)].picture = trim(pictureText_);
            model_->touched();
        }
    } else if (control == view_) {
        viewRecord();
    } else if (control == export_) {
        exportQueue();
    }
}

void QueueViewer::viewRecord() {
    const int at = model_->selected();
    if (at < 0) return;
    // Rows keep their order in memory: the shown row's id is its place in the queue.
    const Row* row = model_->selectedRow();
    const std::size_t index = row && row->id > 0 ? static_cast<std::size_t>(row->id - 1) : static_cast<std::size_t>(at);
    if (index >= queue_.rows.size()) return;
    RecordViewer record(queue_, index);
    runtime().run(record);
}

void QueueViewer::exportQueue() {
    const int choice = runtime().popupMenu({"Csv", "Xml"});
    if (choice != 1 && choice != 2) return;
    std::string suggested = lower(title_);
    ProQClass::LegalizeFileName(suggested);
    const bool csv = choice == 1;
    auto file = runtime().chooseSaveFile(csv ? "Save queue to csv file" : "Save queue to xml file",
                                         suggested + (csv ? ".csv" : ".xml"),
                                         {csv ? FileFilter{"CSV", "*.csv"} : FileFilter{"xml", "*.xml"}});
    if (!file) return;
    const bool ok = csv ? ProQClass::ExportToCSV(queue_, *file, title_, true) : ProQClass::ExportToXML(queue_, *file, "Queue");
    if (!ok) return;
    MessageRequest m;
    m.title = "Exported";
    m.text = *file;
    runtime().message(m);
}

RecordViewer::RecordViewer(const Queue& queue, std::size_t row) : Procedure("ProQViewRecord") {
    for (std::size_t f = 0; f < queue.fieldCount(); ++f)
        fields_.emplace_back(queue.fields[f].name, f < queue.rows[row].size() ? queue.rows[row][f] : std::string());
}

bool RecordViewer::Init(Runtime& rt) {
    (void)rt;
    nameToGlobalErrors();
    openWindow();
    restorePosition();
    return true;
}

void RecordViewer::DefineWindow(Window& w) {
    w = Window("Record", 300, 200);
    std::vector<Row> rows;
    for (const auto& [name, value] : fields_) rows.push_back(Row{{Value(name), Value(value)}});
    auto model = std::make_shared<ListControl>(std::vector<ListColumn>{{"Field", "@s40", 80}, {"Value", "@s255", 200}},
                                               std::make_shared<MemoryRows>(std::move(rows)));
    w.list(model).at(4, 4, 292, 170).name("Fields");
    w.button("Close").at(246, 180, 50, 14).closes();
}

}  // namespace tavlo
