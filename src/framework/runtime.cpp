#include "framework/runtime.h"

namespace tavlo {

namespace {
// Until the language store is there, windows keep their design texts.
class DesignTexts : public WindowTranslator {
public:
    void translateWindow(Window&, const std::string&, const std::string&, const std::string&) override {}
    std::string translateString(const std::string& text, const std::string&, const std::string&,
                                const std::string&) override {
        return text;
    }
};

WindowTranslator* currentTranslator = nullptr;
WindowPositions* currentPositions = nullptr;
}  // namespace

WindowTranslator& windowTranslator() {
    static DesignTexts design;
    return currentTranslator ? *currentTranslator : design;
}
void setWindowTranslator(WindowTranslator* t) { currentTranslator = t; }

WindowPositions* windowPositions() { return currentPositions; }
void setWindowPositions(WindowPositions* p) { currentPositions = p; }

}  // namespace tavlo
