#pragma once
// Windows saved as pictures beside the build (screenshots/), for the user guide and for eyes
// to check, and the modal windows (previews) that a test can only look at from inside their
// own event loop.
#include <QApplication>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "gui_test_support.h"

namespace tavlo::gui {

inline std::filesystem::path screenshotFolder() {
    return std::filesystem::path(TAVLO_LANGUAGE_STORE).parent_path() / "screenshots";
}

// Saves the window as `file` (under screenshotFolder() when relative) and checks that a picture
// was written. A window cut to a small screen (the offscreen platform's is 800 x 600) is grown
// to show all its controls first, unless it scrolls what it shows (`grow` false). A picture wider
// than maxWidth is scaled down to it.
inline void shoot(QWidget* window, const std::filesystem::path& file, int maxWidth = 0, bool grow = true) {
    if (grow) {
        QRect all = window->rect();
        for (QWidget* c : window->findChildren<QWidget*>())
            if (c->isVisible()) all |= QRect(c->mapTo(window, QPoint()), c->size());
        window->resize(all.size() + QSize(6, 6));
    }
    const std::filesystem::path path = screenshotFolder() / file;
    std::filesystem::create_directories(path.parent_path());
    QImage image = window->grab().toImage();
    if (maxWidth > 0 && image.width() > maxWidth) image = image.scaledToWidth(maxWidth, Qt::SmoothTransformation);
    // Quality 0 is PNG's strongest compression: the guide's pictures are kept in the sources.
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "PNG", 0)) << path;
    const QImage saved(QString::fromStdString(path.string()));
    EXPECT_FALSE(saved.isNull()) << path;
    EXPECT_GT(saved.width() * saved.height(), 100 * 50) << path;
}

inline QWidget* titled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title) return w;
    return nullptr;
}

// The report's window, whichever of the two a report shows its pages in.
inline QWidget* reportWindow() {
    if (QWidget* w = topLevel(QStringLiteral("ReportPreview"))) return w;
    return topLevel(QStringLiteral("ReportViewer"));
}

inline void whenShown(const QString& name, std::function<void(QWidget*)> act) {
    whenShown([name] { return topLevel(name); }, std::move(act));
}

}  // namespace tavlo::gui
