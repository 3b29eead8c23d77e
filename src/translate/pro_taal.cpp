#include "translate/pro_taal.h"
#include "translate/store_tables.h"

#include <algorithm>
#include <map>

#include "framework/language.h"
#include "framework/message.h"
#include "util/path.h"
#include "util/text.h"

namespace tavlo {

namespace {

constexpr int kDesignLanguage = 1;
constexpr int kStringType = 2;
constexpr int kMenu = 19;
constexpr int kMenuItem = 20;

bool listKind(std::int32_t type) { return type == 14 || type == 15 || type == 33 || type == 34; }

std::filesystem::path programFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path();
    return std::filesystem::current_path(ec);
}

std::string structureText(const std::string& app, const std::string& proc, const std::string& name) {
    return "App: " + clip(app) + "|Proc: " + clip(proc) + "|Window: " + clip(name);
}

}  // namespace

VeldQ BouVeldQ(const Window& window, int last) {
    VeldQ out;
    const int step = last >= 1 ? 1 : -1;
    for (int n = 0; step > 0 ? n <= last : n >= last; n += step) {
        VeldEntry e;
        e.NO = n;
        e.TIPE = window.typeCode(n);
        e.TEKS = window.text(n);
        e.BDS = window.msg(n);
        e.TIP = window.tip(n);
        if (listKind(e.TIPE)) e.TEKS = clip(e.TEKS) + OnttrekHeadersUitFormatStr(window.format(n));
        if (e.TIPE == kMenuItem && clip(e.TEKS).empty()) e.BDS.clear(), e.TIP.clear();
        out.push_back(std::move(e));
        if (step < 0 && n == last) break;
    }
    return out;
}

ProTaalClass::~ProTaalClass() { Kill(); }

void ProTaalClass::notice(const std::string& title, const std::string& text, bool information) const {
    MessageRequest m;
    m.title = title;
    m.text = text;
    m.icon = information ? Icon::Information : Icon::None;
    m.buttons = m.defaultButton = ButtonOk;
    showMessage(m);
}

void ProTaalClass::unusable(const std::string& why) {
    if (toldUnusable_) return;
    toldUnusable_ = true;
    if (uiLanguage() == 2)
        notice("Taallêer", "Die taallêer kan nie gebruik word nie:|" + why + "|Die vensters word in Engels gewys.");
    else
        notice("Language Store", "The language store cannot be used:|" + why + "|Windows are shown in English.");
}

bool ProTaalClass::openStore(bool writable) {
    if (store_.isOpen() && (store_.writable() || !writable)) return true;
    if (!store_.open(file_, writable)) {
        unusable(store_.error());
        return false;
    }
    return true;
}

void ProTaalClass::init(const std::string& folder, const std::string& prefix, int mode, int language, int flag3,
                        int flag4) {
    Init(folder, prefix, mode, language, flag3 != 0, flag4 != 0);
}

void ProTaalClass::Init(const std::string& folder, const std::string& prefix, int mode, int language,
                        bool noticeStructure, bool noticeLanguage) {
    std::lock_guard lock(mutex_);
    if (trim(folder).empty()) return;
    mode_ = mode;
    noticeStructure_ = noticeStructure;
    noticeLanguage_ = noticeLanguage;
    if (language_ == 0) {
        std::string where = clip(folder);
        if (equalsNoCase(where, "Program Path")) where = programFolder().string();
        AddSlashToPath(where);
        file_ = std::filesystem::path(nativePath(where)) / languageStoreFile(clip(prefix));
        toldUnusable_ = false;
        if (!openStore(mode_ == 2)) return;
    }
    StelTaal(mode_ != 0 ? language : kDesignLanguage);
    if (controlTypes_.empty()) controlTypes_ = store_.controlTypes();
}

void ProTaalClass::Kill() {
    std::lock_guard lock(mutex_);
    mode_ = 0;
    language_ = 0;
    languageName_.clear();
    store_.close();
    controlTypes_.clear();
}

bool ProTaalClass::StelTaal(int language) {
    std::lock_guard lock(mutex_);
    auto name = store_.languageName(language);
    if (!name) return false;
    language_ = language;
    languageName_ = *name;
    return true;
}

int ProTaalClass::GetTaalNo() const {
    std::lock_guard lock(mutex_);
    return language_;
}

void ProTaalClass::SetTaalMode(int mode) {
    std::lock_guard lock(mutex_);
    mode_ = mode;
    // Capturing writes the store: it is opened for writing now (once).
    if (mode_ == 2 && !file_.empty()) openStore(true);
}

int ProTaalClass::GetTaalMode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

void ProTaalClass::GetTaalLys(std::vector<std::string>& list) {
    std::lock_guard lock(mutex_);
    list.clear();
    for (const auto& [number, name] : store_.languages()) {
        std::string two = std::to_string(number);
        if (two.size() < 2) two = "0" + two;
        list.push_back(two + "-" + clip(name));
    }
    if (language_ != 0) StelTaal(language_);
}

std::vector<std::string> ProTaalClass::languages() {
    std::vector<std::string> list;
    GetTaalLys(list);
    return list;
}

std::vector<ControlType> ProTaalClass::controlTypes() const {
    std::lock_guard lock(mutex_);
    return controlTypes_;
}

std::filesystem::path ProTaalClass::file() const {
    std::lock_guard lock(mutex_);
    return file_;
}

void ProTaalClass::setViewer(Viewer viewer) {
    std::lock_guard lock(mutex_);
    viewer_ = std::move(viewer);
}

const ControlType* ProTaalClass::typeOf(std::int32_t code) const {
    for (const ControlType& t : controlTypes_)
        if (t.CONTROLEQNO == code) return &t;
    return nullptr;
}

std::optional<std::string> ProTaalClass::LeesStruktuur(const std::string& app, const std::string& proc,
                                                       const std::string& name, int language) {
    std::lock_guard lock(mutex_);
    lastStructure_ = 0;
    auto row = store_.structure(app, proc, name);
    if (!row) {
        if (noticeStructure_) notice("Not translated", structureText(app, proc, name));
        return std::nullopt;
    }
    auto definition = store_.definition(row->STRUKTUURNO, language);
    if (!definition) {
        if (noticeLanguage_) notice("Not " + clip(languageName_), structureText(app, proc, name));
        return std::nullopt;
    }
    lastStructure_ = row->STRUKTUURNO;
    return definition;
}

bool ProTaalClass::SkryfStruktuur(int tipe, const std::string& app, const std::string& proc,
                                  const std::string& definition, int language, const std::string& name) {
    std::lock_guard lock(mutex_);
    if (!openStore(true)) return false;
    auto failed = [&](const std::string& what) {
        store_.rollback();
        notice("Error", what + " " + store_.error());
        return false;
    };
    // The number is found and taken inside one write transaction, so two tills capturing at
    // the same moment never take the same one.
    if (!store_.begin()) return failed("Logout PRO101:");
    auto row = store_.structure(app, proc, name);
    if (!row) {
        auto number = store_.addStructure(static_cast<std::uint8_t>(tipe), app, proc, name);
        if (!number) return failed("Add PRO101:");
        if (!store_.putDefinition(*number, language, definition)) return failed("Add PRO102:");
        return store_.commit() || failed("Commit PRO102:");
    }
    const std::string old = store_.definition(row->STRUKTUURNO, language).value_or(std::string());
    bool follow = false;
    VeldQ oldDesign, newDesign;
    if (clip(old) != clip(definition)) {
        if (!store_.markChanged(row->STRUKTUURNO)) return failed("Put PRO101:");
        if (row->TIPE != kStringType) {
            oldDesign = OnttrekNaVeldQ(old).value_or(VeldQ{});
            newDesign = OnttrekNaVeldQ(definition).value_or(VeldQ{});
            follow = true;
        }
    }
    if (!store_.putDefinition(row->STRUKTUURNO, language, definition)) return failed("Put PRO102:");
    if (follow) updateAnderTaalStrukture(row->STRUKTUURNO, oldDesign, newDesign);
    return store_.commit() || failed("Commit PRO102:");
}

// After a redesign the translations follow their design texts to the controls' new numbers.
void ProTaalClass::updateAnderTaalStrukture(std::int32_t structure, const VeldQ& oldDesign, const VeldQ& newDesign) {
    // The old design sorted once per kind of text (SorteerOuQs): text -> control number.
    std::map<std::string, std::int32_t> byText, byMsg, byTip;
    for (auto it = oldDesign.rbegin(); it != oldDesign.rend(); ++it) {  // the first entry wins
        byText[clip(it->TEKS)] = it->NO;
        byMsg[clip(it->BDS)] = it->NO;
        byTip[clip(it->TIP)] = it->NO;
    }
    for (const auto& [language, definition] : store_.definitions(structure)) {
        if (language < 2) continue;
        auto translated = OnttrekNaVeldQ(definition);
        if (!translated) continue;  // a damaged translation is left for the translators
        VeldQ result;
        for (const VeldEntry& e : newDesign) {
            VeldEntry r = e;
            const ControlType* t = typeOf(e.TIPE);
            const std::map<std::string, std::int32_t>* index = nullptr;
            std::string value;
            if (t && t->TEXTTOELAATBAAR && !clip(e.TEKS).empty()) index = &byText, value = clip(e.TEKS);
            else if (t && t->HLPTOELAATBAAR && !clip(e.BDS).empty()) index = &byMsg, value = clip(e.BDS);
            else if (t && t->TIPTOELAATBAAR && !clip(e.TIP).empty()) index = &byTip, value = clip(e.TIP);
            if (index) {
                if (auto found = index->find(value); found != index->end()) {
                    auto match = std::find_if(translated->begin(), translated->end(),
                                              [&](const VeldEntry& x) { return x.NO == found->second; });
                    if (match != translated->end()) {
                        r.TEKS = match->TEKS;
                        r.BDS = match->BDS;
                        r.TIP = match->TIP;
                    }
                }
            }
            result.push_back(std::move(r));
        }
        store_.putDefinition(structure, language, BouVeldBuffer(result, [this](const std::string& title, const std::string& text) { notice(title, text); }));
    }
}

void ProTaalClass::translateWindow(Window& window, const std::string& app, const std::string& procedure,
                                   const std::string& structure) {
    VertaalStruktuur(window, app, procedure, structure, window.lastControl(), 0);
}

std::string ProTaalClass::translateString(const std::string& text, const std::string& app,
                                          const std::string& procedure, const std::string& name) {
    std::lock_guard lock(mutex_);
    // A name that holds a window or report, not a single string: the text is one of its design
    // texts drawn again in code (the receipt printer repeats the slip's captions), and it says
    // what that control says in the current language. Capturing leaves the structure alone: a
    // string stored over it would wipe the translators' work on every other language.
    if (mode_ == 1 || mode_ == 2)
        if (store_.isOpen())
            if (auto row = store_.structure(app, procedure, name); row && row->TIPE != kStringType)
                return mode_ == 1 ? designTextIn(row->STRUKTUURNO, text) : text;
    return VertaalString(text, app, procedure, name, 0);
}

std::string ProTaalClass::designTextIn(std::int32_t structure, const std::string& text) {
    if (language_ == 0 || language_ == kDesignLanguage) return text;
    auto design = OnttrekNaVeldQ(store_.definition(structure, kDesignLanguage).value_or(std::string()));
    auto translated = OnttrekNaVeldQ(store_.definition(structure, language_).value_or(std::string()));
    if (!design || !translated || design->size() != translated->size()) return text;
    for (std::size_t i = 0; i < design->size(); ++i) {
        const std::string said = clip((*translated)[i].TEKS);
        if (clip((*design)[i].TEKS) == clip(text) && !said.empty()) return said;
    }
    return text;
}

void ProTaalClass::VertaalStruktuur(Window& window, const std::string& app, const std::string& proc,
                                    const std::string& name, int last, int language) {
    std::unique_lock lock(mutex_);
    if (mode_ == 1) {
        const int target = language != 0 ? language : language_;
        if (target == 0 || (target == kDesignLanguage && language == 0) || !store_.isOpen()) return;
        auto definition = LeesStruktuur(app, proc, name, target);
        if (!definition) return;
        std::vector<std::pair<std::string, VeldQ>> views;
        vertaalControls(window, *definition, lastStructure_, last, views);
        // The viewer is a window of its own: other threads translate meanwhile.
        Viewer viewer = viewer_;
        lock.unlock();
        if (viewer)
            for (const auto& [title, list] : views) viewer(title, list);
    } else if (mode_ == 2) {
        VeldQ live = BouVeldQ(window, last);
        const std::string packed =
            BouVeldBuffer(live, [this](const std::string& title, const std::string& text) { notice(title, text); });
        SkryfStruktuur(window.typeCode(0), app, proc, packed, kDesignLanguage, name);
    }
}

void ProTaalClass::vertaalControls(Window& window, const std::string& definition, std::int32_t structure, int last,
                                   std::vector<std::pair<std::string, VeldQ>>& views) {
    auto stored = OnttrekNaVeldQ(definition);
    if (!stored) return;  // damaged: the window keeps its design texts
    const VeldQ live = BouVeldQ(window, last);
    if (stored->size() != live.size()) {
        notice("Error " + std::to_string(structure), "Definition in " + clip(languageName_) + " outdated");
        views.emplace_back("VeldQ", live);
        views.emplace_back("NuweVeldQ", *stored);
        return;
    }
    for (std::size_t i = 0; i < live.size(); ++i) {
        const VeldEntry& s = (*stored)[i];
        const VeldEntry& l = live[i];
        if (s.NO == l.NO && s.TIPE == l.TIPE) {
            stelControlProperties(window, s);
        } else if (l.TIPE == kMenu && s.TIPE == 0) {
            continue;
        } else {
            notice("Fout " + std::to_string(structure),
                   "Definisie verskil veld " + std::to_string(l.NO) + "|Veldno: " + std::to_string(s.NO) + "/" +
                       std::to_string(l.NO) + "|Tipe  : " + std::to_string(s.TIPE) + "/" + std::to_string(l.TIPE));
            return;
        }
    }
}

void ProTaalClass::stelControlProperties(Window& window, const VeldEntry& stored) const {
    const bool list = listKind(stored.TIPE);
    if (list) {
        const std::size_t tilde = stored.TEKS.find('~');
        if (tilde != std::string::npos && clip(stored.TEKS) != "~")
            window.setFormat(stored.NO, VervangHeadersInFormatString(window.format(stored.NO), stored.TEKS.substr(tilde)));
    }
    const ControlType* t = typeOf(stored.TIPE);
    if (!t) return;
    if (t->TEXTTOELAATBAAR && !list && !clip(stored.TEKS).empty()) window.setText(stored.NO, clip(stored.TEKS));
    if (t->HLPTOELAATBAAR && !clip(stored.BDS).empty()) window.setMsg(stored.NO, clip(stored.BDS));
    if (t->TIPTOELAATBAAR && !clip(stored.TIP).empty()) window.setTip(stored.NO, clip(stored.TIP));
}

std::string ProTaalClass::VertaalString(const std::string& text, const std::string& app, const std::string& proc,
                                        const std::string& name, int language) {
    std::lock_guard lock(mutex_);
    if (mode_ == 1) {
        const int target = language != 0 ? language : language_;
        if (target == 0 || target == kDesignLanguage || !store_.isOpen()) return text;
        auto definition = LeesStruktuur(app, proc, name, target);
        if (!definition) return text;
        return StringFromBuffer(*definition).value_or(text);
    }
    if (mode_ == 2) SkryfStruktuur(kStringType, app, proc, BouStringBuffer(text), kDesignLanguage, name);
    return text;
}

}  // namespace tavlo
