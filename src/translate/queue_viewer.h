#pragma once
// The queue viewer: any in-memory list shown as a table, one column per field, with a picture
// per column, a record view and export to CSV or XML. A debugging aid (the translator opens it
// on the two control lists of an outdated definition), so its texts are fixed and it is never
// translated itself.
#include <string>

#include "framework/procedure.h"
#include "translate/definition.h"
#include "framework/list_export.h"

namespace tavlo {

class QueueViewer : public Procedure {
public:
    QueueViewer(Queue queue, std::string title);
    bool Init(Runtime& runtime) override;

    int list() const { return list_; }
    int pictureEntry() const { return picture_; }

protected:
    void DefineWindow(Window& w) override;
    void TakeOpened() override;
    void TakeAccepted(int control) override;
    void TakeNewSelection(int control) override;

private:
    void viewRecord();
    void exportQueue();

    Queue queue_;
    std::string title_;
    std::shared_ptr<ListControl> model_;
    std::string pictureText_;
    int list_ = 0, picture_ = 0, close_ = 0, view_ = 0, export_ = 0;
    bool refused_ = false;
};

// One row shown field by field ("Record").
class RecordViewer : public Procedure {
public:
    RecordViewer(const Queue& queue, std::size_t row);
    bool Init(Runtime& runtime) override;

protected:
    void DefineWindow(Window& w) override;

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

// The translator's control lists as a queue (NO, TIPE, TEKS, BDS, TIP).
Queue veldQueue(const VeldQ& list);
// The default picture of a field's kind.
std::string defaultPicture(const QueueField& field);

}  // namespace tavlo
