#pragma once
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "data/storage.h"
#include "framework/list.h"
#include "support.h"
#include "translate/pro_taal.h"
#include "translate/store_tables.h"

namespace tavlo {

// A window with a prompt, an entry, two buttons and a list, as a designer would make it.
inline Window customerWindow(bool okMoved = false) {
    Window w("Customers", 200, 100);
    w.prompt("Name .:");
    w.entry(Binding(), "@s20").msg("The customer's name");
    if (okMoved) {
        w.prompt("Phone .:");
        w.prompt("Notes .:");
    }
    auto list = std::make_shared<ListControl>(
        std::vector<ListColumn>{{"No", "@s3", 16}, {"Name", "@s25", 100}}, std::make_shared<MemoryRows>());
    w.list(list);
    w.button("&OK").msg("Accept the customer").tip("Saves");
    w.button("&Cancel");
    return w;
}

class TranslateTest : public ::testing::Test {
protected:
    std::filesystem::path storeFile() const { return folder.path() / "POSlan.tps"; }

    // Languages 1 and 2 and the control types, as the shipped store carries them.
    void seedStore() {
        LanguageStore s;
        ASSERT_TRUE(s.open(storeFile(), true)) << s.error();
        ASSERT_TRUE(s.putLanguage(1, "English"));
        ASSERT_TRUE(s.putLanguage(2, "Afrikaans"));
        for (int code : {2, 9, 10, 14, 19, 20, 24, 25}) {
            ControlType t;
            t.CONTROLEQNO = code;
            t.CONTROLNAAM = "type " + std::to_string(code);
            t.TEXTTOELAATBAAR = t.HLPTOELAATBAAR = t.TIPTOELAATBAAR = 1;
            ASSERT_TRUE(s.putControlType(t));
        }
        ControlType entry;
        entry.CONTROLEQNO = 8;
        entry.CONTROLNAAM = "entry";
        entry.HLPTOELAATBAAR = 1;
        ASSERT_TRUE(s.putControlType(entry));
    }

    // The Afrikaans of a captured structure: each design text through the map (absent: blank).
    void translateStored(const std::string& proc, const std::map<std::string, std::string>& words) {
        LanguageStore s;
        ASSERT_TRUE(s.open(storeFile(), true));
        auto row = s.structure("Tavlo", proc, "Window");
        ASSERT_TRUE(row);
        auto design = OnttrekNaVeldQ(*s.definition(row->STRUKTUURNO, 1));
        ASSERT_TRUE(design);
        for (VeldEntry& e : *design) {
            auto tr = [&](std::string& t) {
                auto it = words.find(t);
                t = it == words.end() ? std::string() : it->second;
            };
            tr(e.TEKS), tr(e.BDS), tr(e.TIP);
        }
        ASSERT_TRUE(s.putDefinition(row->STRUKTUURNO, 2, BouVeldBuffer(*design)));
    }

    // The customer window captured in its design texts and translated through `words`.
    void storeCustomers(const std::map<std::string, std::string>& words) {
        seedStore();
        {
            ProTaalClass capture;
            capture.Init(folder.path().string(), "POS", 2, 1, false, false);
            Window w = customerWindow();
            capture.translateWindow(w, "Tavlo", "Customers", "Window");
        }
        translateStored("Customers", words);
    }

    support::TempFolder folder;
    support::MessageScript messages;
    support::ProgramStateGuard state{{.syncWrites = false}};
};

}  // namespace tavlo
