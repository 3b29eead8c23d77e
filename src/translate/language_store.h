#pragma once
// The language store's file: its six tables, opened read-only for translating and writable for
// capturing, created when missing (writable only), converted from the earlier layout in one
// transaction, and never altered when a table's layout is one this program does not know.
// Every call reports failure through its result; nothing here shows a box or ends the program.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace tavlo {

struct ControlType {  // a row of PRO110 (ControlTypeQ)
    std::int32_t CONTROLEQNO = 0;
    std::string CONTROLNAAM;
    std::uint8_t TEXTTOELAATBAAR = 0, HLPTOELAATBAAR = 0, TIPTOELAATBAAR = 0;
};

struct StructureRow {  // a row of PRO101
    std::int32_t STRUKTUURNO = 0;
    std::string APPNAAM, PROCNAAM, STRUKTUURNAAM;
    std::uint8_t TIPE = 0, GEWYSIG = 0;
};

// The statements that make PRO101 and PRO102 in their earlier layout (names of 8, 30 and 20
// bytes, definitions of 8192): what a store written before looks like.
std::vector<std::string> earlierLayoutSchema();

class LanguageStore {
public:
    LanguageStore() = default;
    ~LanguageStore();
    LanguageStore(const LanguageStore&) = delete;
    LanguageStore& operator=(const LanguageStore&) = delete;

    // Opens the file; false with the reason in error() when it cannot be used.
    bool open(const std::filesystem::path& file, bool writable);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    bool writable() const { return writable_; }
    const std::string& error() const { return error_; }
    // Whether open() converted tables of the earlier layout.
    bool converted() const { return converted_; }

    // ---- reading ----
    std::optional<std::string> languageName(int language);         // F100:TAALBESKRYF
    std::vector<std::pair<int, std::string>> languages();            // in F100:TaalNoKey order
    std::vector<ControlType> controlTypes();                         // in F110:ControlEqNoKey order
    std::optional<StructureRow> structure(const std::string& app, const std::string& proc, const std::string& name);
    std::optional<std::string> definition(std::int32_t structure, int language);
    std::vector<StructureRow> structures();                          // in F101:StruktuurNoKey order
    std::vector<std::pair<int, std::string>> definitions(std::int32_t structure);  // language, definition

    // ---- writing (false with error() set) ----
    // Work that must see and change the store as one unit (structure numbers of two capturing
    // tills) runs between begin() and commit(); leaving it rolls back.
    bool begin();
    bool commit();
    void rollback();
    // A new structure numbered after the highest there is; its number.
    std::optional<std::int32_t> addStructure(std::uint8_t tipe, const std::string& app, const std::string& proc,
                                             const std::string& name);
    bool markChanged(std::int32_t structure);
    // Adds or replaces the definition of a structure in a language (stored without its trailing blanks).
    bool putDefinition(std::int32_t structure, int language, const std::string& definition);
    bool putLanguage(int language, const std::string& name);
    bool putControlType(const ControlType& type);

public:
    class Stmt;

private:
    bool upsert(const std::string& update, const std::string& insert, const std::function<void(Stmt&)>& bind,
                const char* what);
    bool prepareTables();
    bool exec(const std::string& sql);
    bool fail(const std::string& what);

    sqlite3* db_ = nullptr;
    bool writable_ = false;
    bool converted_ = false;
    bool inTransaction_ = false;
    std::string error_;
};

}  // namespace tavlo
