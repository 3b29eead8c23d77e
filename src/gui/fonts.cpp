#include "gui/fonts.h"

#include <QFont>
#include <QStringList>

namespace tavlo::gui {

void installFontSubstitutions() {
    const QStringList substitutes{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), substitutes);
    QFont::insertSubstitutions(QStringLiteral("Ms Sans Serif"), substitutes);
}

}  // namespace tavlo::gui
