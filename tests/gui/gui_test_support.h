#pragma once
// What every GUI test needs: one application for the test program, waiting with the event loop
// running, and finding the windows the operator would see.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWidget>

#include <functional>

#include "gui/fonts.h"

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

}  // namespace tavlo::gui
