// The program: the desktop face on the core. Started without arguments in its data folder.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "gui/fonts.h"
#include "gui/preview_previewer.h"
#include "gui/qt_runtime.h"
#include "operators/access.h"
#include "util/platform.h"
#include "shell/startup.h"
#include "translate/pro_taal.h"

int main(int argc, char** argv) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    bool headless = platform && (std::string(platform) == "offscreen" || std::string(platform) == "minimal");
    if (!headless && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fputs("Tavlo is a desktop program and no display was found (DISPLAY is not set).\n"
                   "Start it from a desktop session, or under xvfb-run.\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavlo"));
    // The program ends when the main frame's thread ends, not when a box closes while no other
    // window is up yet (the reminder before the frame shows).
    QApplication::setQuitOnLastWindowClosed(false);
    tavlo::gui::installFontSubstitutions();

    tavlo::gui::QtRuntime runtime;
    // The translator and its language store (POSlan.tps beside the program).
    tavlo::ProTaalClass translator;
    // Reports show their pages in the preview windows of the face.
    tavlo::gui::installReportPreview();
    int code = 0;
    bool done = false;
    // The main frame's closing ends the program: every other window closes with it.
    QObject::connect(&runtime, &tavlo::gui::QtRuntime::allEnded, &app, [&] {
        if (done) QApplication::exit(code);
    });
    runtime.launch([&] {
        code = tavlo::runTavlo(runtime, tavlo::systemPlatform(), tavlo::accessControl(), translator);
        done = true;
        QMetaObject::invokeMethod(&app, [&] { runtime.shutDown(); QApplication::exit(code); }, Qt::QueuedConnection);
    });
    int result = app.exec();
    runtime.shutDown();
    return result;
}
