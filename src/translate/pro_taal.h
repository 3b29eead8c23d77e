#pragma once
// ProTaalClass: the program's one translator. It owns the language store and translates every
// window and report when it opens (VertaalStruktuur), and single texts built in code
// (VertaalString), into the current language; in capture mode it records the design texts of
// every window that opens instead, so that translators can fill in the other languages.
//
// One instance serves every window thread: each entry point holds the instance's lock. The
// store is opened read-only unless capturing; a store that cannot be used leaves every window
// in its design language after one notice, and a definition that fails its checks counts as
// missing. Nothing here ends the program.
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "framework/runtime.h"
#include "translate/definition.h"
#include "translate/language_store.h"

namespace tavlo {

class ProTaalClass : public WindowTranslator {
public:
    ProTaalClass() = default;
    ~ProTaalClass() override;

    // ---- the store ----
    // folder "Program Path" (any case, trailing blanks ignored) is the program's own folder.
    void Init(const std::string& folder, const std::string& prefix, int mode, int language, bool noticeStructure,
              bool noticeLanguage);
    void Kill();
    // Selects a language the store has; false (and nothing changes) when it has not.
    bool StelTaal(int language);
    int GetTaalNo() const;
    void SetTaalMode(int mode);
    int GetTaalMode() const;
    // One line per language: "02-Afrikaans".
    void GetTaalLys(std::vector<std::string>& list);
    // The definition of a structure in a language; nullopt when there is none.
    std::optional<std::string> LeesStruktuur(const std::string& app, const std::string& proc, const std::string& name,
                                             int language);
    // Stores a definition; the other languages follow a redesigned window. False when the store
    // could not be written (the reason was shown).
    bool SkryfStruktuur(int tipe, const std::string& app, const std::string& proc, const std::string& definition,
                        int language, const std::string& name);

    // ---- translating ----
    void VertaalStruktuur(Window& window, const std::string& app, const std::string& proc, const std::string& name,
                          int lastControl, int language = 0);
    std::string VertaalString(const std::string& text, const std::string& app, const std::string& proc,
                              const std::string& name, int language = 0);

    // The control types read from the store (ControlTypeQ).
    std::vector<ControlType> controlTypes() const;
    // The store's file (empty before Init).
    std::filesystem::path file() const;
    // Shows the two control lists of an outdated definition (the queue viewer); none by default.
    using Viewer = std::function<void(const std::string& title, const VeldQ& list)>;
    void setViewer(Viewer viewer);

    // ---- WindowTranslator ----
    void init(const std::string& folderKeyword, const std::string& prefix, int flag1, int flag2, int flag3,
              int flag4) override;
    void kill() override { Kill(); }
    void translateWindow(Window& window, const std::string& app, const std::string& procedure,
                         const std::string& structure) override;
    std::string translateString(const std::string& text, const std::string& app, const std::string& procedure,
                                const std::string& name) override;
    void setMode(int mode) override { SetTaalMode(mode); }
    int mode() const override { return GetTaalMode(); }
    void setLanguage(int language) override { StelTaal(language); }
    int language() const override { return GetTaalNo(); }
    std::vector<std::string> languages() override;

private:
    bool openStore(bool writable);
    void unusable(const std::string& why);
    void notice(const std::string& title, const std::string& text, bool information = true) const;
    void vertaalControls(Window& window, const std::string& definition, std::int32_t structure, int last,
                         std::vector<std::pair<std::string, VeldQ>>& views);
    void stelControlProperties(Window& window, const VeldEntry& stored) const;
    void updateAnderTaalStrukture(std::int32_t structure, const VeldQ& oldDesign, const VeldQ& newDesign);
    const ControlType* typeOf(std::int32_t code) const;
    // The current language's text of the control whose design text is `text`; `text` when none.
    std::string designTextIn(std::int32_t structure, const std::string& text);

    mutable std::recursive_mutex mutex_;
    LanguageStore store_;
    std::filesystem::path file_;
    int mode_ = 0;
    int language_ = 0;
    std::string languageName_;  // F100:TAALBESKRYF of the current language
    bool noticeStructure_ = false;
    bool noticeLanguage_ = false;
    bool toldUnusable_ = false;
    std::int32_t lastStructure_ = 0;  // F102:STRUKTUURNO of the definition read last
    std::vector<ControlType> controlTypes_;
    Viewer viewer_;
};

// The live control list of a window (BouVeldQ): one entry per visited number, 0 first.
VeldQ BouVeldQ(const Window& window, int lastControl);

}  // namespace tavlo
