#pragma once
// What every GUI test needs: one application for the test program, waiting with the event loop
// running, finding the windows the operator would see, and the user guide where F1 finds it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include <unistd.h>

#include "gui/fonts.h"
#include "util/platform.h"

namespace tavlo::gui {

inline QApplication& application() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    auto* app = new QApplication(argc, argv);
    installFontSubstitutions();  // as the program does
    return *app;
}

// Polls with the event loop running, as QTRY_VERIFY does.
inline bool eventually(const std::function<bool()>& condition, int ms = 30000) { return QTest::qWaitFor(condition, ms); }

inline QWidget* topLevel(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == name) return w;
    return nullptr;
}

inline QMessageBox* messageBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

// The guide as it is in the source tree.
inline std::filesystem::path guideSource() {
    std::filesystem::path here(__FILE__);  // relative to the build folder when the compiler was given relative paths
    if (here.is_relative()) here = systemPlatform().executableDirectory().parent_path() / here;
    return std::filesystem::weakly_canonical(here.parent_path().parent_path().parent_path() / "docs" / "guide");
}

// The guide beside the test program, where F1 and Help > Contents look for it first, as a link
// to the source tree. It is left there: test programs may run side by side, each wanting it.
inline void putGuideBesideTestProgram() {
    const std::filesystem::path guide = systemPlatform().executableDirectory() / "guide";
    std::error_code ec;
    if (std::filesystem::exists(guide, ec)) return;
    // Made under another name and renamed, so that a program looking meanwhile finds it whole.
    const std::filesystem::path made = guide.string() + ".new" + std::to_string(::getpid());
    std::filesystem::create_directory_symlink(guideSource(), made, ec);
    std::filesystem::rename(made, guide, ec);
    if (ec) std::filesystem::remove(made, ec);
}

// A modal window runs its own event loop: `act` looks at it from a timer inside that loop as
// soon as `find` finds it.
inline void whenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(QApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [poll, find, act] {
        if (QWidget* w = find()) {
            poll->stop();
            poll->deleteLater();
            act(w);
        }
    });
    poll->start(20);
}

// Types into the till's list editor and ends with a key; waits until the editor shows `next`.
inline void editorKeys(QWidget* till, const QString& text, Qt::Key key, const QString& next) {
    QLineEdit* editor = till->findChild<QLineEdit*>("ListEditor");
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(eventually([&] { return editor->isVisible() && editor->hasFocus(); }));
    if (!text.isEmpty()) QTest::keyClicks(editor, text);
    QTest::keyClick(editor, key);
    ASSERT_TRUE(eventually([&] { return editor->isVisible() && editor->text() == next; }))
        << "editor shows '" << editor->text().toStdString() << "'";
}

// Types into an entry as an operator would: its window active and the focus in it first. On a
// real display a window another thread opened is not active at once, and an entry that never
// had the focus does not hand its text to the window.
inline bool typeInto(QLineEdit* entry, const QString& text) {
    QWidget* window = entry->window();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) return false;
    entry->setFocus();
    if (!eventually([&] { return entry->hasFocus(); })) return false;
    entry->selectAll();
    QTest::keyClicks(entry, text);
    return true;
}

}  // namespace tavlo::gui
