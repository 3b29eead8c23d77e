#pragma once
// The Qt face's own texts (preview menus, print dialogs, message-box buttons) in the operator's
// language: Afrikaans when the program's language is 2, English otherwise.
#include <QString>

#include <string>

#include "framework/language.h"

namespace tavlo::gui {

inline QString uiText(const char* afrikaans, const char* english) {
    return QString::fromUtf8(uiLanguage() == 2 ? afrikaans : english);
}

// A zoom choice of the preview and the viewer ("Page Width", "Zoom: 50%", "No Zoom") as shown.
inline QString zoomText(const std::string& english) {
    QString t = QString::fromStdString(english);
    if (uiLanguage() != 2) return t;
    return t.replace(QStringLiteral("Tile pages"), QStringLiteral("Teël bladsye"), Qt::CaseInsensitive)
        .replace(QStringLiteral("Page Width"), QStringLiteral("Bladsywydte"))
        .replace(QStringLiteral("No Zoom"), QStringLiteral("Geen zoem"))
        .replace(QStringLiteral("Zoom"), QStringLiteral("Zoem"));
}

}  // namespace tavlo::gui
