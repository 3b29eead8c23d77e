#pragma once
// The tables a report reads on its caller's context. A report runs in the middle of the
// caller's work (a slip right after Finished, a cash-up at Close), so it registers its uses
// and keeps the caller's record buffers and positions, and on close gives both back: the
// buffers first, then the uses, each in the reverse of the order taken.
#include <functional>
#include <vector>

#include "data/file_manager.h"

namespace tavlo::report {

class ReportTables {
public:
    explicit ReportTables(Context& ctx) : ctx_(ctx) {}
    ReportTables(const ReportTables&) = delete;
    ReportTables& operator=(const ReportTables&) = delete;
    ~ReportTables() { close(); }

    // Registers the use of each table (with its relations; the files open lazily) and keeps
    // the caller's buffer and position of it.
    template <class... T>
    void use() {
        (useOne<T>(), ...);
    }

    // Puts the caller's buffers back and lets go of the uses; nothing when nothing is held.
    void close() {
        for (auto it = restore_.rbegin(); it != restore_.rend(); ++it) (*it)();
        restore_.clear();
        for (auto it = used_.rbegin(); it != used_.rend(); ++it) (void)ctx_.relate(**it).Close();
        used_.clear();
    }

private:
    template <class T>
    void useOne() {
        (void)ctx_.relate<T>().Open();
        used_.push_back(&T::table());
        auto& file = ctx_.access<T>();
        restore_.push_back([&file, saved = file.SaveFile()] { file.RestoreFile(saved); });
    }

    Context& ctx_;
    std::vector<const TableDef*> used_;
    std::vector<std::function<void()>> restore_;
};

}  // namespace tavlo::report
