#pragma once
// The language store as a readable text, one line per control, from which the shipped
// POSlan.tps is built (tools/tavlo_lang):
//
//   language 2 Afrikaans                     a language of the store (PRO100)
//   type 9 Button 1 1 1                      a control type and its text/message/tip flags (PRO110)
//   [Main AppFrame]                          a window or report: procedure, structure name
//   0 24 text "Rovandi Point of Sale" "Rovandi Verkoopspunt"
//   8 20 text "&Print Setup ..." "&Drukkeropstelling ..." msg "Setup printer" "Stel drukker op"
//   string Main LanguageMenu "Language" "Taal"
//
// A control line is its number and type, then for each of text, msg and tip that it has the
// design text and its translation (quoted; \" and \\ inside). A control without texts is its
// number and type alone. Lines starting with # are comments. Every structure is in the
// application "Tavlo"; the design language is 1 and the translation goes to language 2.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "translate/definition.h"
#include "translate/language_store.h"

namespace tavlo {

struct SourceStructure {
    std::string procedure, name;
    bool single = false;  // a single string
    VeldQ design, translated;
};

struct StoreSource {
    std::vector<std::pair<int, std::string>> languages;
    std::vector<ControlType> types;
    std::vector<SourceStructure> structures;
    std::vector<std::string> problems;  // "line 12: ..." for what could not be read
};

StoreSource parseStoreSource(const std::string& text);
std::optional<StoreSource> readStoreSource(const std::filesystem::path& file, std::string* error);
// The text of a source (structures in the order given).
std::string writeStoreSource(const StoreSource& source);
// Builds a new store file from the source: written beside the target and put in its place
// when complete. False with the reason in *error.
bool buildStore(const StoreSource& source, const std::filesystem::path& target, std::string* error);
// The structures of a store (design texts, with the translations of language 2 where there are).
StoreSource readStore(LanguageStore& store);

}  // namespace tavlo
