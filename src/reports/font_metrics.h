#pragma once
// Text measurement for report layout. The layouts name MS Sans Serif and Arial; both map to
// Liberation Sans, which has Arial's metrics, so a box sized for the design still holds its text.
// All measures are thousandths of an inch.
#include <string>
#include <string_view>

#include "framework/window.h"

namespace tavlo::report {

using Font = tavlo::Font;

// The font file a face is drawn with (regular or bold); empty when none is installed, in
// which case the standard Helvetica metrics (the same as Arial's) are used.
std::string fontFile(const Font& font);

// Width of the text (UTF-8) set in the font.
int textWidth(const Font& font, std::string_view text);
// Height of one line of text, and the distance from the top of the line to the baseline.
int lineHeight(const Font& font);
int ascent(const Font& font);

// The longest prefix (keepEnd false) or suffix (keepEnd true) of text whose width fits.
std::string fitWidth(const Font& font, std::string_view text, int width, bool keepEnd = false);

// Text converted to the single-byte Western encoding the PDF fonts use; characters it has no
// code for become '?'.
std::string toWinAnsi(std::string_view utf8);
// The other way, for text files written from the pages.
std::string fromWinAnsi(std::string_view bytes);

}  // namespace tavlo::report
