#pragma once
// The program-wide globals: one instance for the whole process, shared by every window without
// locks (after start-up only the first thread writes the language and the program folder; the
// data folder belongs to the windows that set it; the operator is the context's, not here). Text globals start blank and
// keep at most their STRING size in bytes.
#include <cstdint>
#include <string_view>

#include "util/text.h"

namespace tavlo {

inline constexpr std::string_view kProgramVersion = "5.0b";
inline constexpr std::string_view kApplicationTitle = "Tavlo v5";

// Language numbers: 2 is Afrikaans; any other value means English for the built-in messages.
// Language 1 is the one the windows are designed in.
inline constexpr int kAfrikaans = 2;
inline constexpr int kDesignLanguage = 1;

// Translation modes handed to the translator.
inline constexpr int kModeTranslate = 1;  // windows shown in the current language
inline constexpr int kModeSave = 2;       // window texts saved for translation, not translated

struct Globals {
    FixedString<260> INIFILE;          // full path of the language settings file
    FixedString<160> COMPUTERNAME;     // this computer's name
    FixedString<80> WINDOWSUSERNAME;   // the user's network name; blank when unknown
    FixedString<128> PROGRAMDIR;       // the working folder, set when the main frame starts
    FixedString<128> DATADIR;          // folder of the export and import windows
    std::uint8_t LANGUAGEMODE = kModeTranslate;
    std::int16_t LANGUAGENO = kDesignLanguage;  // read from the language settings at start-up
    FixedString<20> APPLICATIONNAME;   // title prefix of the user log-in: kApplicationTitle

    bool afrikaans() const { return LANGUAGENO == kAfrikaans; }
    // Back to the start values (for tests and a fresh start).
    void reset() { *this = Globals{}; }
};

// GLO.LANGUAGENO, GLO.PROGRAMDIR, ...
extern Globals GLO;

// The text for the current language: Afrikaans when GLO.LANGUAGENO is 2, English otherwise.
inline std::string_view byLanguage(std::string_view afrikaans, std::string_view english) {
    return GLO.afrikaans() ? afrikaans : english;
}

}  // namespace tavlo
