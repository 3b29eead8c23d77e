#pragma once
// The six tables of the language store, all in one file beside the program ("POSlan.tps").
#include "data/define_table.h"

namespace tavlo {

#define TAVLO_PRO100_FIELDS(F)          \
    F(TAALNO, SHORT, 2, 0)              \
    F(TAALBESKRYF, STRING, 25, 0)       \
    F(KIESTAALBYSKRIF, STRING, 40, 0)   \
    F(TAALBYSKRIF, STRING, 20, 0)       \
    F(KIESBYSKRIF, STRING, 20, 0)       \
    F(KLAARBYSKRIF, STRING, 20, 0)      \
    F(HELPBYSKRIF, STRING, 20, 0)
#define TAVLO_PRO100_KEYS(K)                       \
    K(TaalNoKey, Unique | Primary, TAALNO)         \
    K(TaalBeskryfKey, Unique, TAALBESKRYF)

#define TAVLO_PRO101_FIELDS(F)          \
    F(STRUKTUURNO, LONG, 4, 0)          \
    F(APPNAAM, STRING, 16, 0)           \
    F(PROCNAAM, STRING, 80, 0)          \
    F(STRUKTUURNAAM, STRING, 32, 0)     \
    F(TIPE, BYTE, 1, 0)                 \
    F(GEWYSIG, BYTE, 1, 0)
#define TAVLO_PRO101_KEYS(K)                                          \
    K(StruktuurNoKey, Unique | Primary, STRUKTUURNO)                  \
    K(StruktuurIdKey, Unique, APPNAAM, PROCNAAM, STRUKTUURNAAM)

#define TAVLO_PRO102_FIELDS(F)          \
    F(STRUKTUURNO, LONG, 4, 0)          \
    F(TAALNO, SHORT, 2, 0)              \
    F(DEFINISIE, MEMO, 16384, 0)
#define TAVLO_PRO102_KEYS(K)                              \
    K(StruktuurNoKey, Unique, STRUKTUURNO, TAALNO)        \
    K(TaalNoKey, Unique, TAALNO, STRUKTUURNO)

#define TAVLO_PRO103_FIELDS(F) F(WOORDNO, LONG, 4, 0) F(WOORD, STRING, 25, 0)
#define TAVLO_PRO103_KEYS(K) K(WoordNoKey, Unique | Primary, WOORDNO) K(WoordKey, Unique, WOORD)

#define TAVLO_PRO104_FIELDS(F) F(WOORDNO, LONG, 4, 0) F(TAALNO, SHORT, 2, 0) F(WOORD, STRING, 25, 0)
#define TAVLO_PRO104_KEYS(K) K(WoordNoKey, Unique | Primary, WOORDNO, TAALNO) K(TaalNoKey, Dup, TAALNO, WOORD)

#define TAVLO_PRO110_FIELDS(F)          \
    F(CONTROLEQNO, LONG, 4, 0)          \
    F(CONTROLNAAM, STRING, 15, 0)       \
    F(TEXTTOELAATBAAR, BYTE, 1, 0)      \
    F(HLPTOELAATBAAR, BYTE, 1, 0)       \
    F(TIPTOELAATBAAR, BYTE, 1, 0)
#define TAVLO_PRO110_KEYS(K)                           \
    K(ControlEqNoKey, Unique | Primary, CONTROLEQNO)   \
    K(ControlNaamKey, Unique, CONTROLNAAM)

TAVLO_DECLARE_TABLE(PRO100, F100, TAVLO_PRO100_FIELDS, TAVLO_PRO100_KEYS)
TAVLO_DECLARE_TABLE(PRO101, F101, TAVLO_PRO101_FIELDS, TAVLO_PRO101_KEYS)
TAVLO_DECLARE_TABLE(PRO102, F102, TAVLO_PRO102_FIELDS, TAVLO_PRO102_KEYS)
TAVLO_DECLARE_TABLE(PRO103, F103, TAVLO_PRO103_FIELDS, TAVLO_PRO103_KEYS)
TAVLO_DECLARE_TABLE(PRO104, F104, TAVLO_PRO104_FIELDS, TAVLO_PRO104_KEYS)
TAVLO_DECLARE_TABLE(PRO110, F110, TAVLO_PRO110_FIELDS, TAVLO_PRO110_KEYS)

// The six in the order the store opens them.
const std::vector<const TableDef*>& languageStoreTables();
// The file they share: prefix & "lan.tps" ("POSlan.tps").
inline std::string languageStoreFile(const std::string& prefix) { return prefix + "lan.tps"; }

}  // namespace tavlo
