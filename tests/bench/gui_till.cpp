// The till on the real desktop window, with 100 000 documents already posted: from the Payment
// key (Alt+P) to the pay-method question on the screen, from Finished to the slip's preview on
// the screen, and from Close (answered Yes to the cash-up question) to the cash-up's preview on
// the screen. Run offscreen (QT_QPA_PLATFORM=offscreen) or under a display. Each time runs from
// the key or click to the moment the window is visible, measured inside the event loop (the
// previews run loops of their own); the counter cpu_ms is the processor time the program spent
// in that span, which tells the work apart from waiting on a busy machine. Every posted document
// is the logged-in operator's, so the cash-up adds all of them.
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "bench_tables.h"
#include "data/file_manager.h"
#include "data/storage.h"
#include "gui/fonts.h"
#include "gui/preview_previewer.h"
#include "gui/qt_runtime.h"
#include "pos/point_of_sale.h"
#include "state/globals.h"
#include "util/date.h"

namespace {

using namespace tavlo;
using Clock = std::chrono::steady_clock;

constexpr int kDocuments = 100000;

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_gui_till";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        gui::installFontSubstitutions();
        return a;
    }();
    return *app;
}

QWidget* visibleTopLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QLatin1String(name)) return w;
    return nullptr;
}

QWidget* titled(const char* title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QLatin1String(title)) return w;
    return nullptr;
}

// Runs the event loop until `done`, for at most 60 s. The loop sleeps between events (a timer
// wakes it every millisecond), so the till's own thread is not kept from the processor.
void waitFor(const std::function<bool()>& done, const char* what = "the window did not come") {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(1);
    while (!done()) {
        check(Clock::now() < deadline, what);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

// Processor time of the whole program (the Qt thread and the till's thread) in milliseconds.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// From an action to a window on the screen: the time on the clock and the processor time spent.
struct Took {
    double ms = -1;
    double cpu = 0;
    Took& operator+=(const Took& o) {
        ms += o.ms;
        cpu += o.cpu;
        return *this;
    }
};

// The time from `act` to `shown()`, checked every millisecond inside whatever loop runs (a
// preview's own included); `dismiss` then closes what came up.
Took timeUntilShown(const std::function<void()>& act, const std::function<bool()>& shown,
                    const std::function<void()>& dismiss) {
    Took took;
    Clock::time_point start;
    double cpuStart = 0;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (took.ms >= 0 || !shown()) return;
        took.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        took.cpu = cpuMs() - cpuStart;
        poll.stop();
        dismiss();
    });
    poll.start();
    start = Clock::now();
    cpuStart = cpuMs();
    act();
    waitFor([&] { return took.ms >= 0; }, "nothing shown");
    return took;
}

// One iteration's time; the processor time goes into the counter "cpu_ms" (average per iteration).
void record(benchmark::State& state, const Took& took) {
    state.SetIterationTime(took.ms / 1000);
    state.counters["cpu_ms"] = benchmark::Counter(state.counters["cpu_ms"].value + took.cpu,
                                                  benchmark::Counter::kAvgIterations);
}

// The shop's folder, made once and removed at exit: every table, items ITEM0..ITEM4, kDocuments
// posted sales, all rung up by the operator who logs in (so the cash-up adds every one of them).
struct ShopFolder {
    ShopFolder() : path(std::filesystem::temp_directory_path() / ("tavlo-bench-gui-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        support::seedBenchShop(path, kDocuments);
        sqlite3* db = openDatabase(path / PQXT21::table().diskFile(), false, false, 5000);
        check(db && sqlite3_exec(db, "UPDATE PQXT21 SET REFERENCE2 = 'OP1'", nullptr, nullptr, nullptr) == SQLITE_OK,
              "the documents' operator");
        sqlite3_close(db);
    }
    ~ShopFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

const std::filesystem::path& shop() {
    static const ShopFolder folder;
    return folder.path;
}

FixedClock benchClock(dayNumber(2024, 3, 15), 12 * 360000);

// The till open on the real window, the operator logged in.
struct Counter {
    Counter() {
        application();
        GLO.reset();
        setClock(&benchClock);
        gui::installReportPreview();
        ctx = std::make_shared<Context>(shop());
        ctx->OPERATOR = "OP1";
        runtime.launch([this] {
            BrowsePointOfSale screen;
            screen.setContext(ctx);
            runtime.run(screen);
            closed = true;
        });
        waitFor([this] { return (till = visibleTopLevel("BrowsePointOfSale")) != nullptr; }, "no till");
        till->activateWindow();
        (void)QTest::qWaitForWindowActive(till);  // offscreen windows may never become active
        editor = till->findChild<QLineEdit*>("ListEditor");
        paid = till->findChild<QLineEdit*>("Paid");
    }
    ~Counter() {
        if (!closed) {
            QTest::keyClick(editor, Qt::Key_Escape);
            clickWhenShown("CloseButton");
            // No lines are left by then, so the cash-up question comes at once.
            QWidget* ask = nullptr;
            waitFor([&] { return (ask = titled("Print Cashup")) != nullptr; }, "no question at Close");
            press(ask, "&No");
            waitFor([this] { return closed.load(); }, "the till did not close");
        }
        runtime.shutDown();
        setClock(nullptr);
    }
    static void press(QWidget* window, const char* text) {
        for (auto* b : window->findChildren<QAbstractButton*>())
            if (b->text() == QLatin1String(text)) return QTest::mouseClick(b, Qt::LeftButton);
    }
    void clickWhenShown(const char* button) {
        QPushButton* b = nullptr;
        waitFor([&] { return (b = till->findChild<QPushButton*>(button)) && b->isVisible() && b->isEnabled(); }, button);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // The next sale's line open, the till the active window again once a preview has gone.
    void ready() {
        waitFor([this] { return editor->isVisible() && editor->text().isEmpty(); }, "no line after Finished");
        till->activateWindow();
        (void)QTest::qWaitForWindowActive(till);  // offscreen windows may never become active
    }
    // A scanned item: its code and Enter; waits for the next line's editor.
    void scan(const char* code) {
        waitFor([this] { return editor->isVisible() && editor->hasFocus() && editor->text().isEmpty(); }, "no new line");
        QTest::keyClicks(editor, code);
        QTest::keyClick(editor, Qt::Key_Return);
        waitFor([this] { return editor->isVisible() && editor->text().isEmpty(); }, "the line was not saved");
    }
    void answerPayMethod() {
        QWidget* method = nullptr;
        waitFor([&] { return (method = visibleTopLevel("PaymentMethod")) != nullptr; }, "no pay method");
        press(method, "&OK");
        waitFor([] { return visibleTopLevel("PaymentMethod") == nullptr; }, "the pay method stayed");
    }
    void tender(const char* amount) {
        paid->setFocus();
        paid->selectAll();
        QTest::keyClicks(paid, amount);
        QTest::keyClick(paid, Qt::Key_Return);
    }
    // A slip's print preview or a report's viewer (the cash-up).
    static QWidget* preview() {
        QWidget* w = visibleTopLevel("ReportPreview");
        return w ? w : visibleTopLevel("ReportViewer");
    }
    static bool previewShown() { return preview() != nullptr; }
    static void closePreview() {
        if (auto* dialog = qobject_cast<QDialog*>(preview())) dialog->reject();
    }
    // Finished with the slip's preview closed at once; the till ready for the next sale.
    void finish() {
        timeUntilShown([this] { clickWhenShown("FinishedButton"); }, previewShown, closePreview);
        ready();
    }

    std::shared_ptr<Context> ctx;
    gui::QtRuntime runtime;
    std::atomic<bool> closed{false};
    QWidget* till = nullptr;
    QLineEdit* editor = nullptr;
    QLineEdit* paid = nullptr;
};

void PaymentKeyToPayMethodShown(benchmark::State& state) {
    Counter c;
    for (auto _ : state) {
        c.scan("ITEM1");
        record(state, timeUntilShown([&] { QTest::keyClick(c.till, Qt::Key_P, Qt::AltModifier); },
                                     [] { return visibleTopLevel("PaymentMethod") != nullptr; }, [] {}));
        c.answerPayMethod();
        c.tender("100");
        c.finish();
    }
}
BENCHMARK(PaymentKeyToPayMethodShown)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

void FinishedToSlipPreviewShown(benchmark::State& state) {
    Counter c;
    for (auto _ : state) {
        c.scan("ITEM2");
        c.clickWhenShown("PaymentButton");
        c.answerPayMethod();
        c.tender("100");
        record(state, timeUntilShown([&] { c.clickWhenShown("FinishedButton"); }, Counter::previewShown,
                                     Counter::closePreview));
        c.ready();
    }
}
BENCHMARK(FinishedToSlipPreviewShown)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

void CloseToCashupPreviewShown(benchmark::State& state) {
    for (auto _ : state) {
        Counter c;
        QTest::keyClick(c.editor, Qt::Key_Escape);
        // Close, the question answered Yes at once, the cash-up's preview: one time.
        Took took = timeUntilShown([&] { c.clickWhenShown("CloseButton"); }, [] { return titled("Print Cashup"); }, [] {});
        took += timeUntilShown([] { Counter::press(titled("Print Cashup"), "&Yes"); }, Counter::previewShown,
                               Counter::closePreview);
        record(state, took);
        waitFor([&] { return c.closed.load(); }, "the till did not close");
    }
}
BENCHMARK(CloseToCashupPreviewShown)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace
