#pragma once
// The data dictionary: every table declared once. A field line is F(NAME, TYPE, BYTES, PLACES);
// a key line is K(Name, FLAGS, COMPONENTS...) with the flags of keyflags (Unique/Dup, Keep/Omit
// for blank entries, Primary, Auto). The record struct of a table is named after its label
// (PQXT20) with its prefix as an alias (PT20), so `PT20::DocumentNoKey` reads as the key's name.
// Relations are declared in tables.cpp.
#include "data/dictionary.h"

namespace tavlo {

// ---- sale and transaction tables ----

#define TAVLO_V6X_FIELDS(F)            \
    F(DOCUMENTNO, ULONG, 4, 0)         \
    F(SALESNUMBER, USHORT, 2, 0)       \
    F(TRANSDATE, LONG, 4, 0)           \
    F(CLASSCODE, STRING, 1, 0)         \
    F(ACCNUMBER, USHORT, 2, 0)         \
    F(ASSETACCNUMBER, USHORT, 2, 0)    \
    F(REFERENCE1, STRING, 15, 0)       \
    F(REFERENCE2, STRING, 15, 0)       \
    F(QTY, DECIMAL, 7, 3)              \
    F(DESCRIPTION, STRING, 40, 0)      \
    F(DEBIT, DECIMAL, 7, 2)            \
    F(VATCODE, STRING, 2, 0)           \
    F(VATSTATUS, STRING, 1, 0)         \
    F(VATAMOUNT, DECIMAL, 7, 2)        \
    F(VATDATE, LONG, 4, 0)             \
    F(RECORDSTATUS, BYTE, 1, 0)        \
    F(ASSETTRANSACTION, BYTE, 1, 0)    \
    F(ITEMCODE, STRING, 20, 0)         \
    F(ITEMSTATUS, BYTE, 1, 0)          \
    F(SELLINGPRICE, DECIMAL, 6, 3)     \
    F(NETTAMOUNT, DECIMAL, 6, 2)       \
    F(PAYMETHOD, BYTE, 1, 0)           \
    F(CLIENTNO, ULONG, 4, 0)           \
    F(OPERATORNO, STRING, 3, 0)        \
    F(DISCOUNT, DECIMAL, 3, 2)

#define TAVLO_V6X_KEYS(K)                                  \
    K(DocumentNoKey, Dup | Omit, DOCUMENTNO)               \
    K(SalesNumberKey, Dup | Omit, SALESNUMBER)             \
    K(AccNumberKey, Dup | Omit, ACCNUMBER, TRANSDATE)      \
    K(VatCodeKey, Dup | Omit, VATCODE, VATDATE)            \
    K(ItemCodeKey, Dup | Omit, ITEMCODE, TRANSDATE)        \
    K(KeyTransdate, Dup | Omit, TRANSDATE)                 \
    K(ClientDocKey, Dup | Omit, CLIENTNO, DOCUMENTNO)

#define TAVLO_X20_FIELDS(F)           \
    F(DOCUMENTNO, ULONG, 4, 0)        \
    F(TRANTYPENUMBER, USHORT, 2, 0)   \
    F(ACCNUMBER, USHORT, 2, 0)        \
    F(SUBNUMBER, USHORT, 2, 0)        \
    F(ENTNUMBER, USHORT, 2, 0)        \
    F(TRANSDATE, LONG, 4, 0)          \
    F(REFERENCE1, STRING, 15, 0)      \
    F(REFERENCE2, STRING, 15, 0)      \
    F(TRANDESC, STRING, 25, 0)        \
    F(AMOUNT, DECIMAL, 7, 2)          \
    F(VAT, DECIMAL, 7, 2)             \
    F(NOOFENTRIES, USHORT, 2, 0)      \
    F(LOOKUPDATE, STRING, 8, 0)       \
    F(TRANNUMBER, ULONG, 4, 0)        \
    F(SETTLEMENTDATE, LONG, 4, 0)     \
    F(FROMASSET, USHORT, 2, 0)        \
    F(TOASSET, USHORT, 2, 0)          \
    F(PAYMETHOD, BYTE, 1, 0)          \
    F(TRANTIME, STRING, 10, 0)

#define TAVLO_H20_FIELDS(F)  \
    TAVLO_X20_FIELDS(F)      \
    F(VERSKIL, DECIMAL, 2, 2) \
    F(PAID, DECIMAL, 6, 2)   \
    F(CHANGE, DECIMAL, 4, 2)

#define TAVLO_X20_KEYS(K)                                                  \
    K(DocumentNoKey, Unique | Keep | Primary | Auto, DOCUMENTNO)           \
    K(PayTypeAccDateKey, Dup | Omit, PAYMETHOD, ACCNUMBER, TRANSDATE)      \
    K(RefDateAmountKey, Dup | Omit, REFERENCE1, LOOKUPDATE, AMOUNT)        \
    K(TranDateKey, Dup | Omit, TRANSDATE)                                  \
    K(TranTypeNumberKey, Dup | Omit, TRANTYPENUMBER, LOOKUPDATE)           \
    K(AccNumberKey, Dup | Omit, ACCNUMBER)                                 \
    K(SubNumberKey, Dup | Omit, SUBNUMBER)                                 \
    K(EntNumberKey, Dup | Omit, ENTNUMBER)                                 \
    K(LookUpDateKey, Dup | Keep, LOOKUPDATE)                               \
    K(ReferenceKey, Dup | Keep, REFERENCE1)                                \
    K(FromAssetKey, Dup | Omit, FROMASSET)                                 \
    K(ToAssetKey, Dup | Omit, TOASSET)

#define TAVLO_X21_FIELDS(F)                 \
    F(DOCUMENTNO, ULONG, 4, 0)              \
    F(TRANSDATE, LONG, 4, 0)                \
    F(CLASSCODE, STRING, 1, 0)              \
    F(ACCNUMBER, USHORT, 2, 0)              \
    F(SUBNUMBER, USHORT, 2, 0)              \
    F(ENTNUMBER, USHORT, 2, 0)              \
    F(REFERENCE1, STRING, 15, 0)            \
    F(REFERENCE2, STRING, 15, 0)            \
    F(QTY, DECIMAL, 7, 3)                   \
    F(MASS, REAL, 8, 0)                     \
    F(DESCRIPTION, STRING, 25, 0)           \
    F(DEBIT, DECIMAL, 7, 2)                 \
    F(CREDIT, DECIMAL, 7, 2)                \
    F(VATCODE, STRING, 2, 0)                \
    F(VATSTATUS, STRING, 1, 0)              \
    F(VATAMOUNT, DECIMAL, 7, 2)             \
    F(VATDATE, LONG, 4, 0)                  \
    F(RECORDSTATUS, BYTE, 1, 0)             \
    F(RECONNUMBER, ULONG, 4, 0)             \
    F(REMITNUMBER, ULONG, 4, 0)             \
    F(LASTINTERESTDATE, LONG, 4, 0)         \
    F(AGEBRACKET, BYTE, 1, 0)               \
    F(DETAILNUMBER, ULONG, 4, 0)            \
    F(ASSETNUMBER, USHORT, 2, 0)            \
    F(ASSETTRANSACTION, BYTE, 1, 0)         \
    F(ITEMCODE, STRING, 20, 0)              \
    F(ITEMSTATUS, BYTE, 1, 0)               \
    F(UNITCOST, SREAL, 4, 0)                \
    F(DEPOSITNUMBER, ULONG, 4, 0)           \
    F(UNITCODE, USHORT, 2, 0)               \
    F(SETTLEMENTDATE, LONG, 4, 0)           \
    F(ACCUMULATEDBALANCE, DECIMAL, 7, 2)    \
    F(MARKRECORD, BYTE, 1, 0)               \
    F(AGEINGDAYS, USHORT, 2, 0)

// The detail number is unique in PQXT21 but not in its history copy PQXH21.
#define TAVLO_X21_KEYS_WITH(K, DETAIL)                           \
    K(DocumentNoKey, Dup | Omit, DOCUMENTNO)                     \
    K(KeyRef1, Dup | Omit, REFERENCE1)                           \
    K(ClassCodeKey, Dup | Omit, CLASSCODE)                       \
    K(AccNumberKey, Dup | Omit, ACCNUMBER, TRANSDATE)            \
    K(AccSubKey, Dup | Omit, ACCNUMBER, SUBNUMBER)               \
    K(SubNumberKey, Dup | Omit, SUBNUMBER, TRANSDATE)            \
    K(EntNumberKey, Dup | Omit, ENTNUMBER, TRANSDATE)            \
    K(VatCodeKey, Dup | Omit, VATCODE, VATDATE)                  \
    K(ReconNumberKey, Dup | Omit, RECONNUMBER, TRANSDATE)        \
    K(ReconDocKey, Dup | Omit, RECONNUMBER, DOCUMENTNO)          \
    K(RemitNumberKey, Dup | Omit, REMITNUMBER)                   \
    K(AgeBracketKey, Dup | Omit, AGEBRACKET)                     \
    K(DetailNumberKey, DETAIL | Omit | Auto, DETAILNUMBER)       \
    K(ItemCodeKey, Dup | Omit, ITEMCODE, TRANSDATE)              \
    K(AssetNumberKey, Dup | Omit, ASSETNUMBER)                   \
    K(DepositNumberKey, Dup | Omit, DEPOSITNUMBER)               \
    K(UnitCodeKey, Dup | Omit, UNITCODE, TRANSDATE)              \
    K(KeyTransdate, Dup | Omit, TRANSDATE)
#define TAVLO_T21_KEYS(K) TAVLO_X21_KEYS_WITH(K, Unique)
#define TAVLO_H21_KEYS(K) TAVLO_X21_KEYS_WITH(K, Dup)

// ---- master tables ----

#define TAVLO_A10_FIELDS(F)              \
    F(ACCNUMBER, USHORT, 2, 0)           \
    F(CLASSCODE, STRING, 1, 0)           \
    F(ACCCODE, USHORT, 2, 0)             \
    F(ACCDESC, STRING, 25, 0)            \
    F(ACCOUNTTYPE, DECIMAL, 4, 1)        \
    F(CHEQUENUMBER, STRING, 6, 0)        \
    F(DEPOSITNUMBER, STRING, 6, 0)       \
    F(RECEIPTNUMBER, STRING, 6, 0)       \
    F(WORKWITHQUANTITIES, BYTE, 1, 0)    \
    F(FORSEENTERPRISE, BYTE, 1, 0)       \
    F(ENTNUMBER, USHORT, 2, 0)           \
    F(ALLOCATIONNUMBER, USHORT, 2, 0)    \
    F(OPENINGBALANCE, DECIMAL, 7, 2)     \
    F(ISOVERDRAWN, BYTE, 1, 0)           \
    F(OBDOCUMENTNO, ULONG, 4, 0)         \
    F(CURRENTBALANCE, DECIMAL, 7, 2)     \
    F(ASSETTYPENUMBER, USHORT, 2, 0)     \
    F(TRADACCNUMBER, USHORT, 2, 0)       \
    F(TRADTYPENUMBER, BYTE, 1, 0)        \
    F(BUDGETOPENBALANCE, LONG, 4, 0)     \
    F(ISBUDGETOVERDRAWN, BYTE, 1, 0)     \
    F(ASSETGROUP, USHORT, 2, 0)          \
    F(ASSETTYPEGROUP, USHORT, 2, 0)      \
    F(UNITCODE, USHORT, 2, 0)            \
    F(LASTVATCODE, STRING, 2, 0)         \
    F(LASTVATSTATUS, STRING, 1, 0)       \
    F(QTY, DECIMAL, 7, 3)                \
    F(DOPCODE, STRING, 8, 0)             \
    F(HASSUBACCOUNTS, BYTE, 1, 0)        \
    F(MARK, BYTE, 1, 0)                  \
    F(ACCOUNTSTATUS, BYTE, 1, 0)         \
    F(EXTCODE, STRING, 8, 0)             \
    F(DOCNO, ULONG, 4, 0)

#define TAVLO_A10_KEYS(K)                                            \
    K(AccNumberKey, Unique | Keep | Primary | Auto, ACCNUMBER)       \
    K(ClassAccCodeKey, Unique | Keep, CLASSCODE, ACCCODE)            \
    K(ClassAccDescKey, Dup | Keep, CLASSCODE, ACCDESC)               \
    K(AccDescKey, Unique | Keep, ACCDESC)                            \
    K(AccTypeAccDescKey, Dup | Keep, ACCOUNTTYPE, ACCDESC)           \
    K(EntAccDescKey, Dup | Keep, ENTNUMBER, ACCDESC)                 \
    K(AllocAccDescKey, Dup | Keep, ALLOCATIONNUMBER, ACCDESC)        \
    K(AssetTypeDescKey, Dup | Keep, ASSETTYPENUMBER, ACCDESC)        \
    K(TradAccNumberKey, Dup | Keep, TRADACCNUMBER, ACCDESC)          \
    K(TradTypeNumberKey, Dup | Keep, TRADTYPENUMBER)                 \
    K(AssetTypeGroupKey, Dup | Keep, ASSETTYPEGROUP, ACCDESC)        \
    K(UnitCodeKey, Dup | Keep, UNITCODE)                             \
    K(DopCodeKey, Dup | Omit, DOPCODE)                               \
    K(AccountStatusKey, Dup | Omit, ACCOUNTSTATUS)                   \
    K(ExtCodeKey, Dup | Omit, EXTCODE, ACCNUMBER)

#define TAVLO_A11_FIELDS(F)     \
    F(SUBNUMBER, USHORT, 2, 0)  \
    F(ACCNUMBER, USHORT, 2, 0)  \
    F(CLASSCODE, STRING, 1, 0)  \
    F(SUBCODE, STRING, 8, 0)    \
    F(SUBDESC, STRING, 25, 0)   \
    F(DOPCODE, STRING, 8, 0)    \
    F(EXTCODE, STRING, 8, 0)    \
    F(MARK, BYTE, 1, 0)

#define TAVLO_A11_KEYS(K)                                        \
    K(SubNumberKey, Unique | Keep | Primary | Auto, SUBNUMBER)   \
    K(AccNumberKey, Dup | Keep, ACCNUMBER, SUBDESC)              \
    K(SubCodeKey, Unique | Keep, CLASSCODE, SUBCODE)             \
    K(DopCodeKey, Dup | Omit, DOPCODE)                           \
    K(SubDescKey, Dup | Omit, SUBDESC)                           \
    K(SubExtCodeKey, Dup | Omit, EXTCODE, SUBNUMBER)

#define TAVLO_A30_FIELDS(F)                    \
    F(ACCNUMBER, USHORT, 2, 0)                 \
    F(ASSETDESC, STRING, 25, 0)                \
    F(ASSETTYPENUMBER, USHORT, 2, 0)           \
    F(ASSETTYPEGROUP, USHORT, 2, 0)            \
    F(GROUPNUMBER, USHORT, 2, 0)               \
    F(ASSETGROUPNUMBER, USHORT, 2, 0)          \
    F(SUBGROUPNUMBER, USHORT, 2, 0)            \
    F(PURCHASEDATE, LONG, 4, 0)                \
    F(PURCHASEVALUE, DECIMAL, 7, 2)            \
    F(QTY, DECIMAL, 7, 3)                      \
    F(STANDARDUNITVALUE, DECIMAL, 7, 2)        \
    F(STANDARDVALUE, DECIMAL, 7, 2)            \
    F(MANAGEUNITVALUE, DECIMAL, 7, 2)          \
    F(MANAGAMENTVALUE, DECIMAL, 7, 2)          \
    F(MARKETUNITVALUE, DECIMAL, 7, 2)          \
    F(MARKETVALUE, DECIMAL, 7, 2)              \
    F(CAPITALGAINVALUE, DECIMAL, 8, 2)         \
    F(ACCUMDEPRACCNUMBER, USHORT, 2, 0)        \
    F(DEPRECIATIONACCNUMBER, USHORT, 2, 0)     \
    F(STANDARDDEPRNUMBER, USHORT, 2, 0)        \
    F(MANAGEDEPRNUMBER, USHORT, 2, 0)          \
    F(TAXDEPRNUMBER, USHORT, 2, 0)             \
    F(LASTDEPRECIATEDDATE, LONG, 4, 0)         \
    F(YEARAGE, STRING, 5, 0)                   \
    F(OPENINGQTY, DECIMAL, 7, 3)               \
    F(OPENINGBALANCE, DECIMAL, 7, 2)           \
    F(LSBIRTHS, LONG, 4, 0)                    \
    F(LSPURCHASES, LONG, 4, 0)                 \
    F(LSSOLD, LONG, 4, 0)                      \
    F(LSDEAD, LONG, 4, 0)                      \
    F(LSSTOLEN, LONG, 4, 0)                    \
    F(LSSLAUGHTERED, LONG, 4, 0)               \
    F(LSUPGRADED, LONG, 4, 0)                  \
    F(ASSETCOMPLETED, BYTE, 1, 0)              \
    F(ARABLASIZE, DECIMAL, 7, 3)               \
    F(ARABLEUNITVALUE, DECIMAL, 7, 2)          \
    F(PASTURESIZE, DECIMAL, 7, 3)              \
    F(PASTUREUNITVALUE, DECIMAL, 7, 2)         \
    F(GRASINGSIZE, DECIMAL, 7, 3)              \
    F(GRASINGUNITVALUE, DECIMAL, 7, 2)         \
    F(IRRIGATIONSIZE, DECIMAL, 7, 3)           \
    F(IRRIGATIONUNITVALUE, DECIMAL, 7, 2)      \
    F(FALLOUTSIZE, DECIMAL, 7, 3)              \
    F(FALLOUTUNITVALUE, DECIMAL, 7, 2)         \
    F(HPACCNUMBER, USHORT, 2, 0)               \
    F(HPFINACCNUMBER, USHORT, 2, 0)            \
    F(TRADACCNUMBER, USHORT, 2, 0)             \
    F(CURRENTBALANCE, DECIMAL, 7, 2)           \
    F(ACCUMULATEDDEPRECIATION, DECIMAL, 7, 2)  \
    F(ACCUMDEPDELTRAN, DECIMAL, 7, 2)          \
    F(OBDOCUMENTNO, ULONG, 4, 0)               \
    F(SOLDDATE, LONG, 4, 0)                    \
    F(SALVAGEACCTN, DECIMAL, 7, 2)             \
    F(SALVAGEMANAGE, DECIMAL, 7, 2)            \
    F(SALVAGETAX, DECIMAL, 7, 2)               \
    F(SOLDPRICE, REAL, 8, 0)                   \
    F(CAPITALPROFIT, REAL, 8, 0)               \
    F(MARK, BYTE, 1, 0)                        \
    F(BASISVALUE, DECIMAL, 7, 2)               \
    F(PERIODDEPRECIATION, DECIMAL, 6, 2)       \
    F(ASSETNOTES, STRING, 35, 0)

#define TAVLO_A30_KEYS(K)                                                            \
    K(AccNumberKey, Unique | Keep, ACCNUMBER)                                        \
    K(AssetTypeNumberKey, Dup | Keep, ASSETTYPENUMBER, ASSETDESC)                    \
    K(AssetTypeGroupKey, Dup | Keep, ASSETTYPEGROUP, ASSETDESC)                      \
    K(AssetDescKey, Dup | Keep, ASSETDESC)                                           \
    K(GroupNumberKey, Dup | Keep, GROUPNUMBER, ASSETTYPENUMBER, ASSETDESC)           \
    K(AssetGroupNumberKey, Dup | Keep, ASSETGROUPNUMBER, ASSETTYPENUMBER, ASSETDESC) \
    K(SubGroupNumberKey, Dup | Keep, SUBGROUPNUMBER, ASSETDESC)                      \
    K(AccDeprAccNumberKey, Dup | Keep, ACCUMDEPRACCNUMBER)                           \
    K(DepreciationAccNumberKey, Dup | Keep, DEPRECIATIONACCNUMBER)                   \
    K(HPAccNumberkey, Dup | Keep, HPACCNUMBER)                                       \
    K(HPFinAccNumberKey, Dup | Keep, HPFINACCNUMBER)                                 \
    K(TradAccNumberKey, Dup | Keep, TRADACCNUMBER)                                   \
    K(StdDeprNumberKey, Dup | Keep, STANDARDDEPRNUMBER)                              \
    K(ManageDeprNumberKey, Dup | Keep, MANAGEDEPRNUMBER)                             \
    K(TaxDeprNumberKey, Dup | Keep, TAXDEPRNUMBER)

#define TAVLO_A301_FIELDS(F)              \
    F(ACCNUMBER, USHORT, 2, 0)            \
    F(ITEMCODE, STRING, 20, 0)            \
    F(ITEMDESC, STRING, 40, 0)            \
    F(INVGROUPNUMBER, USHORT, 2, 0)       \
    F(STOCKONHAND, SREAL, 4, 0)           \
    F(AVERAGEPRICE, SREAL, 4, 0)          \
    F(SELLINGPRICE, DECIMAL, 7, 2)        \
    F(MARKUP, DECIMAL, 4, 2)              \
    F(MINIMUMLEVEL, SREAL, 4, 0)          \
    F(MAXIMUMLEVEL, SREAL, 4, 0)          \
    F(UNITDESC, STRING, 20, 0)            \
    F(NOTSTOCKITEM, BYTE, 1, 0)           \
    F(USAGEPURCHASESACC, USHORT, 2, 0)    \
    F(OPENINGQTY, DECIMAL, 7, 3)          \
    F(OPENINGUNITVALUE, REAL, 8, 0)       \
    F(OBDOCUMENTNO, ULONG, 4, 0)          \
    F(VATCODE, STRING, 2, 0)              \
    F(VATSTATUS, STRING, 1, 0)            \
    F(SALESACCOUNT, USHORT, 2, 0)         \
    F(ENTNUMBER, USHORT, 2, 0)            \
    F(POSSELLINGPRICE, DECIMAL, 7, 2)

#define TAVLO_A301_KEYS(K)                                         \
    K(AccNumberKey, Dup | Keep, ACCNUMBER)                         \
    K(ItemCodeKey, Unique | Keep, ITEMCODE)                        \
    K(ItemDescKey, Unique | Keep, ITEMDESC)                        \
    K(InvGroupNumberKey, Dup | Keep, INVGROUPNUMBER, ITEMCODE)     \
    K(UsagePurchasesAccKey, Dup | Keep, USAGEPURCHASESACC)

#define TAVLO_A40_FIELDS(F)           \
    F(TRADACCNUMBER, USHORT, 2, 0)    \
    F(TRADDESC, STRING, 25, 0)        \
    F(ENTNUMBER, USHORT, 2, 0)        \
    F(UNITCODE, USHORT, 2, 0)         \
    F(OPENINGNUMBER, USHORT, 2, 0)    \
    F(CLOSINGNUMBER, USHORT, 2, 0)

#define TAVLO_A40_KEYS(K)                                               \
    K(TradAccNumberKey, Unique | Keep | Primary | Auto, TRADACCNUMBER)  \
    K(TradDescKey, Unique | Keep, TRADDESC)                             \
    K(EntNumberKey, Dup | Omit, ENTNUMBER)                              \
    K(UnitCodeKey, Dup | Omit, UNITCODE)

#define TAVLO_C10_FIELDS(F)                    \
    F(ACCNUMBER, USHORT, 2, 0)                 \
    F(ADDNUMBER, USHORT, 2, 0)                 \
    F(ACCOUNTTYPE, USHORT, 2, 0)               \
    F(DEBCREDNAME, STRING, 40, 0)              \
    F(ADD1, STRING, 25, 0)                     \
    F(ADD2, STRING, 25, 0)                     \
    F(ADD3, STRING, 25, 0)                     \
    F(POSTCODE, STRING, 4, 0)                  \
    F(TELENUMBER, STRING, 20, 0)               \
    F(CELLNUMBER, STRING, 20, 0)               \
    F(FAXNUMBER, STRING, 20, 0)                \
    F(EMAIL, STRING, 64, 0)                    \
    F(CONTACTPERSON, STRING, 25, 0)            \
    F(CREDITORACCOUNT, STRING, 20, 0)          \
    F(CREDITLIMIT, DECIMAL, 7, 2)              \
    F(TERMNUMBER, USHORT, 2, 0)                \
    F(PAYINTEREST, BYTE, 1, 0)                 \
    F(INTERESTNUMBER, USHORT, 2, 0)            \
    F(INTERESTGRACE, BYTE, 1, 0)               \
    F(HOLDACCOUNT, BYTE, 1, 0)                 \
    F(LASTPAYMENT, DECIMAL, 7, 2)              \
    F(LASTPAYMENTDATE, LONG, 4, 0)             \
    F(AMOUNTDUE, DECIMAL, 7, 2)                \
    F(PERIOD1, DECIMAL, 7, 2)                  \
    F(PERIOD2, DECIMAL, 7, 2)                  \
    F(PERIOD3, DECIMAL, 7, 2)                  \
    F(PERIOD4, DECIMAL, 7, 2)                  \
    F(PERIOD5, DECIMAL, 7, 2)                  \
    F(OBDOCUMENTNO, ULONG, 4, 0)               \
    F(AGEDUE, DECIMAL, 7, 2)                   \
    F(AGEPERIOD1, DECIMAL, 7, 2)               \
    F(AGEPERIOD2, DECIMAL, 7, 2)               \
    F(AGEPERIOD3, DECIMAL, 7, 2)               \
    F(AGEPERIOD4, DECIMAL, 7, 2)               \
    F(AGEPERIOD5, DECIMAL, 7, 2)               \
    F(VATREGISTRATIONNUMBER, STRING, 20, 0)    \
    F(PRINTLANGUAGE, STRING, 1, 0)             \
    F(ACCOUNTNAME, STRING, 25, 0)              \
    F(BANKNAME, STRING, 25, 0)                 \
    F(ACCOUNTNUMBER, STRING, 25, 0)            \
    F(BRANCHCODE, STRING, 20, 0)               \
    F(BRANCHNAME, STRING, 25, 0)               \
    F(DUETINV, BYTE, 1, 0)

#define TAVLO_C10_KEYS(K)                                              \
    K(AddNumberKey, Unique | Keep | Primary | Auto, ADDNUMBER)         \
    K(AccNumberKey, Dup | Omit, ACCNUMBER)                             \
    K(TermNumberKey, Dup | Omit, TERMNUMBER)                           \
    K(InterestNumberKey, Dup | Omit, INTERESTNUMBER)                   \
    K(DebCredNameKey, Dup | Omit, DEBCREDNAME)                         \
    K(AccountTypeNameKey, Dup | Omit, ACCOUNTTYPE, DEBCREDNAME)

#define TAVLO_C11_FIELDS(F)      \
    F(CLIENTNO, ULONG, 4, 0)     \
    F(NAME, STRING, 25, 0)       \
    F(DOCNO, ULONG, 4, 0)

#define TAVLO_C11_KEYS(K) K(ClientNoKey, Unique | Keep | Primary | Auto, CLIENTNO)

#define TAVLO_V01_FIELDS(F)                 \
    F(VATCODE, STRING, 2, 0)                \
    F(REBATE, BYTE, 1, 0)                   \
    F(VATDESCRIPTION, STRING, 25, 0)        \
    F(ACCNUMBER, USHORT, 2, 0)              \
    F(FUELACCOUNT, USHORT, 2, 0)            \
    F(SUBNUMBER, USHORT, 2, 0)              \
    F(RATEDATE, LONG, 4, 0)                 \
    F(VATRATE, DECIMAL, 3, 1)               \
    F(LASTRATEDATE, LONG, 4, 0)             \
    F(LASTVATRATE, DECIMAL, 3, 1)           \
    F(PERCENTAGE, DECIMAL, 5, 2)            \
    F(TARRIFF, DECIMAL, 5, 4)               \
    F(LASTREBATEDATE, LONG, 4, 0)           \
    F(LASTPERCENTAGE, DECIMAL, 5, 2)        \
    F(LASTTARIFF, DECIMAL, 5, 4)            \
    F(REBATEQTYNR, STRING, 4, 0)            \
    F(REBATEFULLQTYNR, STRING, 4, 0)        \
    F(SECTIONNUMBER, STRING, 4, 0)          \
    F(SUBSECTIONNUMBER, STRING, 4, 0)       \
    F(EXCLUSIVEAMOUNT, REAL, 8, 0)          \
    F(VATAMOUNT, REAL, 8, 0)                \
    F(VATQTY, REAL, 8, 0)                   \
    F(EXTERNALCODE, BYTE, 1, 0)

#define TAVLO_V01_KEYS(K)                                                     \
    K(VatCodeKey, Unique | Keep | Primary, VATCODE)                           \
    K(AccNumberKey, Dup | Omit, ACCNUMBER)                                    \
    K(SectionSubNumberKey, Dup | Keep, SECTIONNUMBER, SUBSECTIONNUMBER)

#define TAVLO_S10_FIELDS(F)                   \
    F(SPECNUMBER, USHORT, 2, 0)               \
    F(LASTYEARENDDATE, LONG, 4, 0)            \
    F(LASTPERIODENDDATE, LONG, 4, 0)          \
    F(ALLOWINVEDIT, BYTE, 1, 0)               \
    F(MONTHCLOSINGDAY, BYTE, 1, 0)            \
    F(LASTMONTHCLOSINGDATE, LONG, 4, 0)       \
    F(LASTBACKUP, LONG, 4, 0)                 \
    F(INVOICEPREFIX, STRING, 3, 0)            \
    F(INVOICENUMBER, REAL, 8, 0)              \
    F(CREDITNOTEPREFIX, STRING, 3, 0)         \
    F(CREDITNOTENUMBER, REAL, 8, 0)           \
    F(DELIVERYNOTEPREFIX, STRING, 3, 0)       \
    F(DELIVERYNOTENUMBER, REAL, 8, 0)         \
    F(ORDERPREFIX, STRING, 3, 0)              \
    F(ORDERNUMBER, REAL, 8, 0)                \
    F(COPYTRANSACTIONS, BYTE, 1, 0)           \
    F(LASTVATCLOSINGDATE, LONG, 4, 0)         \
    F(LASTDEBTORCLOSINGDATE, LONG, 4, 0)      \
    F(VERSIONCODE, STRING, 6, 0)              \
    F(FINVCONVERTDONE, BYTE, 1, 0)            \
    F(USERNAME, STRING, 25, 0)                \
    F(LOADSHEETPATH, STRING, 128, 0)          \
    F(POSPATH, STRING, 128, 0)                \
    F(PRINTDOTMATRIX, BYTE, 1, 0)             \
    F(INVOICEMESSAGE1, STRING, 64, 0)         \
    F(INVOICEMESSAGE2, STRING, 64, 0)         \
    F(PRINTLOGO, BYTE, 1, 0)                  \
    F(DEFAULTINVOICE, USHORT, 2, 0)           \
    F(DEFAULTSTATEMENT, USHORT, 2, 0)         \
    F(DATEPASS, STRING, 20, 0)                \
    F(EPAYPREFIX, STRING, 3, 0)               \
    F(EPAYNUMBER, USHORT, 2, 0)               \
    F(ERECEIVEPREFIX, STRING, 3, 0)           \
    F(ERECEIVENUMBER, USHORT, 2, 0)           \
    F(ANALYZEPATH, STRING, 128, 0)            \
    F(RECEIPTPREFIX, STRING, 3, 0)            \
    F(RECEIPTNUMBER, USHORT, 2, 0)            \
    F(OLDDAFNUMBER, DECIMAL, 7, 0)            \
    F(POSACCNUMBER, USHORT, 2, 0)             \
    F(POSDIRECTACC, USHORT, 2, 0)             \
    F(POSDISCACC, USHORT, 2, 0)

#define TAVLO_S10_KEYS(K) K(SpecNumberKey, Unique | Omit | Primary | Auto, SPECNUMBER)

#define TAVLO_O10_FIELDS(F)         \
    F(OPERATORNO, STRING, 3, 0)     \
    F(NAME, STRING, 25, 0)          \
    F(PASSWORD, STRING, 10, 0)

#define TAVLO_O10_KEYS(K)                                     \
    K(OperatorNoKey, Unique | Keep | Primary, OPERATORNO)     \
    K(OperatorNameKey, Dup | Omit, NAME)

#define TAVLO_CS10_FIELDS(F)                 \
    F(USERNUMBER, USHORT, 2, 0)              \
    F(USERNAME, STRING, 25, 0)               \
    F(ADDRESS1, STRING, 25, 0)               \
    F(ADDRESS2, STRING, 25, 0)               \
    F(ADDRESS3, STRING, 25, 0)               \
    F(COMPREGNO, STRING, 25, 0)              \
    F(VATREGISTRATIONNO, STRING, 25, 0)      \
    F(TELNUMBER, STRING, 20, 0)              \
    F(CELNUMBER, STRING, 20, 0)              \
    F(FAXNUMBER, STRING, 20, 0)              \
    F(SMALLCOIN, DECIMAL, 2, 2)              \
    F(CASHFLOAT, DECIMAL, 6, 2)              \
    F(LASTDOCNR, ULONG, 4, 0)                \
    F(PREFIX, STRING, 3, 0)                  \
    F(HAPPYHOUR, BYTE, 1, 0)                 \
    F(DISCOUNT, DECIMAL, 3, 2)               \
    F(SALESNUMBER, USHORT, 2, 0)             \
    F(DEFAULTEMAIL, CSTRING, 128, 0)

#define TAVLO_CS10_KEYS(K) K(UserNumberKey, Dup | Omit, USERNUMBER)

// ---- record structs ----

#define TAVLO_FIELD_MEMBER(NAME, KIND, BYTES, PLACES) ::tavlo::FieldCType<::tavlo::FieldKind::KIND>::type NAME{};
#define TAVLO_FIELD_SIZE(NAME, KIND, BYTES, PLACES) static constexpr ::tavlo::FieldSize NAME{BYTES, PLACES};
#define TAVLO_KEY_INDEX(NAME, FLAGS, ...) k##NAME,
#define TAVLO_KEY_CONSTANT(NAME, FLAGS, ...) static constexpr ::tavlo::KeyNo<Self> NAME{k##NAME};

// One record struct per table: members are the fields, static members the keys, and Size the
// stored size of each field (LABEL::Size::DEBIT), so a value is fitted to its field from the
// declaration: fitField(x, PQXV60::Size::DEBIT).
#define TAVLO_DECLARE_TABLE(LABEL, PREFIX, FIELDS, KEYS)                 \
    struct LABEL {                                                       \
        using Self = LABEL;                                              \
        struct Size {                                                    \
            FIELDS(TAVLO_FIELD_SIZE)                                     \
        };                                                               \
        FIELDS(TAVLO_FIELD_MEMBER)                                       \
        enum KeyIndex : int { KEYS(TAVLO_KEY_INDEX) kKeyCount };         \
        KEYS(TAVLO_KEY_CONSTANT)                                         \
        static const ::tavlo::TableDef& table();                         \
        bool operator==(const LABEL&) const = default;                   \
    };                                                                   \
    using PREFIX = LABEL;

// Every table of the dictionary, once: short name, record struct, prefix, disk file, fields and keys, in the
// order the files are opened at start-up (the company table first, the tab lines last). The
// record structs below, the definitions and that order all come from this list.
#define TAVLO_TABLES(T)                                                       \
    T(CS10, PACS10, PCS10, "PAcS10", TAVLO_CS10_FIELDS, TAVLO_CS10_KEYS)            \
    T(A10, PQXA10, PA10, "PQxA10", TAVLO_A10_FIELDS, TAVLO_A10_KEYS)               \
    T(A11, PQXA11, PA11, "PQxA11", TAVLO_A11_FIELDS, TAVLO_A11_KEYS)               \
    T(A30, PQXA30, PA30, "PQxA30", TAVLO_A30_FIELDS, TAVLO_A30_KEYS)               \
    T(A301, PQXA301, PA301, "PQxA301", TAVLO_A301_FIELDS, TAVLO_A301_KEYS)          \
    T(A40, PQXA40, PA40, "PQxA40", TAVLO_A40_FIELDS, TAVLO_A40_KEYS)               \
    T(C10, PQXC10, PC10, "PQxC10", TAVLO_C10_FIELDS, TAVLO_C10_KEYS)               \
    T(C11, PQXC11, PC11, "PQxC11", TAVLO_C11_FIELDS, TAVLO_C11_KEYS)               \
    T(V01, PQXV01, PV01, "PQxV01", TAVLO_V01_FIELDS, TAVLO_V01_KEYS)               \
    T(S10, PQXS10, PS10, "PQxS10", TAVLO_S10_FIELDS, TAVLO_S10_KEYS)               \
    T(O10, PQXO10, PO10, "PQxO10", TAVLO_O10_FIELDS, TAVLO_O10_KEYS)               \
    T(H20, PQXH20, PH20, "PQxH20", TAVLO_H20_FIELDS, TAVLO_X20_KEYS)               \
    T(H21, PQXH21, PH21, "PQxH21", TAVLO_X21_FIELDS, TAVLO_H21_KEYS)               \
    T(T20, PQXT20, PT20, "PQxT20", TAVLO_X20_FIELDS, TAVLO_X20_KEYS)               \
    T(T21, PQXT21, PT21, "PQxT21", TAVLO_X21_FIELDS, TAVLO_T21_KEYS)               \
    T(V60, PQXV60, PV60, "PQxV60", TAVLO_V6X_FIELDS, TAVLO_V6X_KEYS)               \
    T(V61, PQXV61, PV61, "PQxV61", TAVLO_V6X_FIELDS, TAVLO_V6X_KEYS)

#define TAVLO_DECLARE_LISTED_TABLE(NAME, LABEL, PREFIX, FILE, FIELDS, KEYS) TAVLO_DECLARE_TABLE(LABEL, PREFIX, FIELDS, KEYS)
TAVLO_TABLES(TAVLO_DECLARE_LISTED_TABLE)
#undef TAVLO_DECLARE_LISTED_TABLE

}  // namespace tavlo
