#pragma once
// The language of the framework's own texts (the save question, the delete question): 2 is
// Afrikaans, anything else English. The shell points it at the program's language number.
#include <functional>

namespace tavlo {

int uiLanguage();
void setUiLanguageSource(std::function<int()> source);

}  // namespace tavlo
