#include "framework/runtime.h"

#include <atomic>

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
    void setMode(int mode) override { mode_ = mode; }
    int mode() const override { return mode_; }
    void setLanguage(int) override {}  // the store has no languages
    int language() const override { return 0; }
    std::vector<std::string> languages() override { return {}; }

private:
    std::atomic<int> mode_{0};
};

WindowTranslator* currentTranslator = nullptr;
std::function<std::shared_ptr<Context>()> contextFactory;
thread_local std::shared_ptr<Context> threadContext;
WindowPositions* currentPositions = nullptr;
}  // namespace

WindowTranslator& windowTranslator() {
    static DesignTexts design;
    return currentTranslator ? *currentTranslator : design;
}
void setWindowTranslator(WindowTranslator* t) { currentTranslator = t; }

WindowPositions* windowPositions() { return currentPositions; }
void setWindowPositions(WindowPositions* p) { currentPositions = p; }

void setContextFactory(std::function<std::shared_ptr<Context>()> factory) { contextFactory = std::move(factory); }
std::shared_ptr<Context> newContext() { return contextFactory ? contextFactory() : nullptr; }
std::shared_ptr<Context> currentContext() { return threadContext; }

ContextScope::ContextScope(std::shared_ptr<Context> context) : previous_(std::move(threadContext)) {
    threadContext = std::move(context);
}
ContextScope::~ContextScope() { threadContext = std::move(previous_); }

}  // namespace tavlo
