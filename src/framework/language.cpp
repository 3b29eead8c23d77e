#include "framework/language.h"

#include <utility>

namespace tavlo {

namespace {
std::function<int()>& source() {
    static std::function<int()> current;
    return current;
}
}  // namespace

int uiLanguage() { return source() ? source()() : 1; }
void setUiLanguageSource(std::function<int()> s) { source() = std::move(s); }

}  // namespace tavlo
