// Windows as a cashier meets them on the desktop: Enter and Esc in a dialog, texts that are not
// cut, and windows that open where they can be seen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>

#include "gui_test_support.h"
#include "framework/list.h"
#include "gui/qt_runtime.h"
#include "operators/access.h"
#include "operators/access_dialogs.h"
#include "support.h"
#include "util/text.h"

namespace tavlo::gui {
namespace {

// A log-in like form: two entries, a check box, OK (default) and Cancel. An entry holding "bad"
// keeps the focus, as a wrong password does.
class Form : public Procedure {
public:
    explicit Form(std::string name = "Form") : Procedure(std::move(name)) {}
    std::atomic<bool> okPressed{false};

protected:
    void DefineWindow(Window& w) override {
        w = Window("Form", 180, 80);
        w.prompt("&User:").at(8, 8);
        user_ = w.entry(Binding(&user, 20), "@s20").at(60, 8, 100, 10).name("User");
        w.prompt("&Password:").at(8, 22);
        password_ = w.entry(Binding(&password, 20), "@s20").at(60, 22, 100, 10).name("Password").password();
        w.check("&Remember", Binding(&remember)).at(60, 36, 100, 10).name("Remember");
        ok_ = w.button("&OK").at(60, 56, 50, 14).name("OK").defaultButton();
        w.button("&Cancel").at(118, 56, 50, 14).name("Cancel").closes();
    }
    void TakeAccepted(int control) override {
        if ((control == user_ || control == password_) && clip(control == user_ ? user : password) == "bad")
            select(control);
        if (control == ok_) {
            okPressed = true;
            close(Response::Completed);
        }
    }

public:
    std::string user, password;
    bool remember = false;

private:
    int user_ = 0, password_ = 0, ok_ = 0;
};

// Runs a procedure on a context thread of the runtime; the result once it has closed.
struct Running {
    QtRuntime& runtime;
    Procedure& procedure;
    std::atomic<bool> done{false};
    Running(QtRuntime& rt, Procedure& p) : runtime(rt), procedure(p) {
        runtime.launch([this] {
            runtime.run(procedure);
            done = true;
        });
    }
};

QWidget* waitFor(const QString& name) {
    QWidget* w = nullptr;
    EXPECT_TRUE(eventually([&] { return (w = topLevel(name)) != nullptr; })) << name.toStdString();
    return w;
}

}  // namespace

TEST(WindowKeys, EnterGoesToTheNextEntryThenPressesTheDefaultButton) {
    application();
    QtRuntime runtime;
    struct Case {
        const char* what;
        const char* user;
        const char* password;
        bool pressed;  // OK pressed by the second Enter
    } cases[] = {
        {"two entries, then OK", "anna", "pw", true},
        {"a refused password keeps the focus", "anna", "bad", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Form form;
        Running running(runtime, form);
        QWidget* w = waitFor("Form");
        ASSERT_NE(w, nullptr);
        auto* user = w->findChild<QLineEdit*>("User");
        auto* password = w->findChild<QLineEdit*>("Password");
        ASSERT_TRUE(eventually([&] { return QApplication::focusWidget() == user; }));
        QTest::keyClicks(user, c.user);
        QTest::keyClick(user, Qt::Key_Return);
        ASSERT_TRUE(eventually([&] { return QApplication::focusWidget() == password; }));
        QTest::keyClicks(password, c.password);
        QTest::keyClick(password, Qt::Key_Return);
        if (c.pressed) {
            ASSERT_TRUE(eventually([&] { return running.done.load(); }));
            EXPECT_TRUE(form.okPressed);
            EXPECT_EQ(form.user, c.user);
            EXPECT_EQ(clip(form.password), c.password);
        } else {
            QTest::qWait(300);
            EXPECT_FALSE(running.done.load());
            EXPECT_EQ(QApplication::focusWidget(), password);
            QTest::keyClick(password, Qt::Key_Escape);
            ASSERT_TRUE(eventually([&] { return running.done.load(); }));
            EXPECT_FALSE(form.okPressed);
        }
    }
    runtime.shutDown();
}

TEST(WindowKeys, EnterOnACheckBoxOrButtonAndEscapeInAnEntry) {
    application();
    QtRuntime runtime;
    struct Case {
        const char* what;
        const char* focus;
        Qt::Key key;
        bool ok;  // closed by OK, else by Cancel
    } cases[] = {
        {"Enter on a check box presses the default button", "Remember", Qt::Key_Return, true},
        {"Enter on a button presses it", "Cancel", Qt::Key_Return, false},
        {"Esc in an entry cancels", "User", Qt::Key_Escape, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Form form;
        Running running(runtime, form);
        QWidget* w = waitFor("Form");
        ASSERT_NE(w, nullptr);
        QWidget* target = w->findChild<QWidget*>(c.focus);
        ASSERT_NE(target, nullptr);
        ASSERT_TRUE(eventually([&] { return QApplication::focusWidget() != nullptr; }));
        target->setFocus();
        QTest::keyClick(target, c.key);
        ASSERT_TRUE(eventually([&] { return running.done.load(); }));
        EXPECT_EQ(form.okPressed.load(), c.ok);
    }
    runtime.shutDown();
}

namespace {
// A question with a caption placed without a size, and a pick list with a narrow number column.
class Question : public Procedure {
public:
    Question() : Procedure("Question") {}

protected:
    void DefineWindow(Window& w) override {
        w = Window("Print Cashup", 220, 210);
        w.add(ControlKind::Display, "Do you want to print Cashup ?").at(9, 10).name("Question");
        auto list = std::make_shared<ListControl>(
            std::vector<ListColumn>{{"No", "@s3", 16, 'L'}, {"Name", "@s25", 100, 'L'}},
            std::make_shared<MemoryRows>(std::vector<Row>{{{Value(std::string("001")), Value(std::string("Anna"))}, 1},
                                                          {{Value(std::string("002")), Value(std::string("Ben"))}, 2}}));
        list_ = list;
        w.list(list).at(9, 30, 150, 80).name("List");
        // Designed wider than the list: the last column ends at the list's edge.
        items_ = std::make_shared<ListControl>(
            std::vector<ListColumn>{{"Code", "@s20", 80, 'L'}, {"Description", "@s40", 160, 'L'}},
            std::make_shared<MemoryRows>(std::vector<Row>{{{Value(std::string("COKE")), Value(std::string("Cola 340ml can"))}, 1}}));
        w.list(items_).at(9, 115, 190, 60).name("Items");
        w.button("&Yes").at(114, 185, 35, 14).name("Yes").defaultButton();
        w.button("&No").at(156, 185, 36, 14).name("No").closes();
    }
    void TakeOpened() override {
        list_->reload();
        items_->reload();
    }
    void TakeAccepted(int control) override {
        if (control == window().find("Yes")) close(Response::Completed);
    }

private:
    std::shared_ptr<ListControl> list_, items_;
};
}  // namespace

TEST(WindowLooks, ACaptionWithoutASizeAndANarrowColumnShowTheirWholeText) {
    application();
    QtRuntime runtime;
    Question question;
    Running running(runtime, question);
    QWidget* w = waitFor("Question");
    ASSERT_NE(w, nullptr);
    auto* caption = w->findChild<QLabel*>("Question");
    ASSERT_NE(caption, nullptr);
    ASSERT_TRUE(eventually([&] { return caption->text() == "Do you want to print Cashup ?"; }));
    EXPECT_GE(caption->width(), caption->fontMetrics().horizontalAdvance(caption->text()));
    auto* list = w->findChild<QTableView*>("List");
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(eventually([&] { return list->model()->rowCount() == 2; }));
    // The cell's text room is the column less the margins on both sides and the grid line.
    int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    EXPECT_GE(list->columnWidth(0) - 2 * margin - 1, QFontMetricsF(list->font()).horizontalAdvance("001"));
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    auto* items = w->findChild<QTableView*>("Items");
    ASSERT_TRUE(eventually([&] { return items->model()->rowCount() == 1; }));
    EXPECT_FALSE(items->horizontalScrollBar()->isVisible());
    EXPECT_EQ(items->horizontalHeader()->length(), items->viewport()->width());
    // Esc in the list is the window's Cancel (No).
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    ASSERT_TRUE(eventually([&] { return running.done.load(); }));
    EXPECT_EQ(question.response(), Response::Cancelled);
    runtime.shutDown();
}

TEST(WindowLooks, TheRightsEditorFitsItsColumnsWithoutScrolling) {
    application();
    support::TempFolder folder;
    AccessControl access;
    access.useFolder(folder.path());
    ASSERT_TRUE(access.addUser("boss", "The Boss", "pw", true));
    QtRuntime runtime;
    AccessRights editor(access, *access.check("boss", "pw"), "Main", mainAccessString());
    Running running(runtime, editor);
    QWidget* w = waitFor("AccessRights");
    ASSERT_NE(w, nullptr);
    auto* list = w->findChild<QTableView*>("Users");
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(eventually([&] { return list->model()->rowCount() == 1; }));
    QTest::qWait(100);
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    QTest::mouseClick(w->findChild<QPushButton*>("Close"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return running.done.load(); }));
    runtime.shutDown();
}

namespace {
// A view of n numbered rows that can only be read a page at a time.
class Numbers : public PagedSource {
public:
    explicit Numbers(int n) : n_(n) {}
    std::vector<Row> edge(const Order&, bool fromEnd, std::size_t count) override {
        return fromEnd ? span(n_ - static_cast<int>(count) + 1, n_) : span(1, static_cast<int>(count));
    }
    std::vector<Row> beside(const Order&, const Row& row, bool backwards, std::size_t count) override {
        const int at = static_cast<int>(row.id), c = static_cast<int>(count);
        return backwards ? span(at - c, at - 1) : span(at + 1, at + c);
    }

private:
    std::vector<Row> span(int from, int to) const {
        std::vector<Row> rows;
        for (int i = std::max(from, 1); i <= std::min(to, n_); ++i) rows.push_back(Row{{Value(static_cast<long long>(i))}, i});
        return rows;
    }
    int n_;
};

class NumberList : public Procedure {
public:
    NumberList() : Procedure("NumberList"), list_(std::make_shared<ListControl>(std::vector<ListColumn>{{"No", "@n13"}}, std::make_shared<Numbers>(100000))) {}
    std::shared_ptr<ListControl> list_;

protected:
    void DefineWindow(Window& w) override {
        w = Window("Numbers", 120, 140);
        w.list(list_).at(6, 6, 108, 110).name("List");
        list_->reload();
        w.button("&Close").at(60, 120, 50, 14).name("Close").closes();
    }
};
}  // namespace

// A list over years of documents shows a window of them: the mouse wheel reads on at its end
// (and back at its start) without the selection pulling the view back.
TEST(WindowLooks, ScrollingALongListWithTheMouseReadsOn) {
    application();
    QtRuntime runtime;
    NumberList numbers;
    Running running(runtime, numbers);
    QWidget* w = waitFor("NumberList");
    ASSERT_NE(w, nullptr);
    auto* view = w->findChild<QTableView*>("List");
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(eventually([&] { return view->model()->rowCount() > 0; }));
    auto lastShown = [&] { return view->model()->index(view->model()->rowCount() - 1, 0).data().toString().trimmed().toInt(); };
    const int firstLast = lastShown();
    for (int i = 0; i < 3; ++i) {
        const int before = lastShown();
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
        ASSERT_TRUE(eventually([&] { return lastShown() > before; })) << "scroll " << i;
    }
    EXPECT_GT(lastShown(), firstLast + 100);
    EXPECT_LT(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());  // the view stayed where it was
    QTest::mouseClick(w->findChild<QPushButton*>("Close"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return running.done.load(); }));
    runtime.shutDown();
}

namespace {
// Window positions kept in memory, one of them far off the screen.
class Positions : public WindowPositions {
public:
    std::optional<WindowGeometry> load(const std::string& procedure) override {
        std::lock_guard guard(lock);
        auto it = saved.find(procedure);
        if (it == saved.end()) return std::nullopt;
        return it->second;
    }
    void save(const std::string& procedure, const WindowGeometry& g) override {
        std::lock_guard guard(lock);
        saved[procedure] = g;
    }
    std::mutex lock;
    std::map<std::string, WindowGeometry> saved;
};

// Opens a Form over itself when OK is pressed.
class Opener : public Procedure {
public:
    Opener() : Procedure("Opener") {}

protected:
    void DefineWindow(Window& w) override {
        w = Window("Opener", 400, 300);
        open_ = w.button("&Open").at(10, 10, 50, 14).name("Open");
        w.button("&Close").at(70, 10, 50, 14).name("Close").closes();
    }
    void TakeAccepted(int control) override {
        if (control != open_) return;
        Form form("Inner");
        runtime().run(form);
    }

private:
    int open_ = 0;
};
}  // namespace

TEST(WindowLooks, WindowsOpenOverTheirCallerAndOnTheScreen) {
    application();
    Positions positions;
    positions.saved["Opener"] = WindowGeometry{5000, 4000, 600, 450};  // a screen no longer there
    setWindowPositions(&positions);
    QtRuntime runtime;
    Opener opener;
    Running running(runtime, opener);
    QWidget* outer = waitFor("Opener");
    ASSERT_NE(outer, nullptr);
    QRect screen = outer->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(outer->geometry())) << outer->geometry().x() << "," << outer->geometry().y();
    QTest::mouseClick(outer->findChild<QPushButton*>("Open"), Qt::LeftButton);
    QWidget* inner = waitFor("Inner");
    ASSERT_NE(inner, nullptr);
    QPoint offset = inner->geometry().center() - outer->geometry().center();
    EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();
    QTest::keyClick(inner->findChild<QLineEdit*>("User"), Qt::Key_Escape);
    ASSERT_TRUE(eventually([] { return topLevel("Inner") == nullptr; }));
    QTest::mouseClick(outer->findChild<QPushButton*>("Close"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return running.done.load(); }));
    runtime.shutDown();
    setWindowPositions(nullptr);
}

}  // namespace tavlo::gui

namespace tavlo::gui {
namespace {
// Lines typed in place; Done shows a slip in a window of its own, then opens the next line at
// once by sending the focus to Insert and pressing it, as the till does after Finished.
class Lines : public Procedure {
public:
    Lines() : Procedure("Lines") {}

protected:
    void DefineWindow(Window& w) override {
        w = Window("Lines", 220, 120);
        list_ = std::make_shared<ListControl>(std::vector<ListColumn>{{"Code", "@s10", 60}, {"Qty", "@n-10.2", 50, 'R'}},
                                              std::make_shared<MemoryRows>());
        list_->columns[0].editable = list_->columns[1].editable = true;
        list_->editInPlace = true;
        w.list(list_).at(8, 8, 200, 70).name("List");
        insert_ = list_->insertButton = w.button("&Insert").at(8, 90, 40, 14).name("Insert");
        done_ = w.button("&Done").at(60, 90, 40, 14).name("Done");
        w.button("&Close").at(170, 90, 40, 14).name("Close").closes();
    }
    void TakeAccepted(int control) override {
        if (control != done_) return;
        Form slip("Slip");
        runtime().run(slip);
        select(insert_);
        post(Event{EventKind::Accepted, insert_});
    }

private:
    std::shared_ptr<ListControl> list_;
    int insert_ = 0, done_ = 0;
};
}  // namespace

TEST(WindowKeys, TheRowOpenedAfterADialogTakesWhatIsTyped) {
    application();
    QtRuntime runtime;
    Lines lines;
    Running running(runtime, lines);
    QWidget* w = waitFor("Lines");
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->findChild<QPushButton*>("Done"), Qt::LeftButton);
    QWidget* slip = waitFor("Slip");
    ASSERT_NE(slip, nullptr);
    QTest::keyClick(slip->findChild<QLineEdit*>("User"), Qt::Key_Escape);
    auto* editor = w->findChild<QLineEdit*>("ListEditor");
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(eventually([&] { return editor->isVisible() && QApplication::focusWidget() == editor; }));
    QTest::mouseClick(w->findChild<QPushButton*>("Close"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return running.done.load(); }));
    runtime.shutDown();
}

}  // namespace tavlo::gui
