#pragma once
// The windows and reports are designed for MS Sans Serif; Linux has a sans-serif of the same
// metrics under another name.
namespace tavlo::gui {

void installFontSubstitutions();

}  // namespace tavlo::gui
