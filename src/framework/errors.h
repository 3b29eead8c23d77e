#pragma once
// The program-wide error reporter and its catalogue of storage and form errors.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tavlo {

enum Level : int { LevelBenign = 0, LevelUser = 1, LevelProgram = 2, LevelFatal = 3, LevelCancel = 4, LevelNotify = 5 };

// Thrown after a fatal or program-level error has been shown: it unwinds to the program's
// entry, closing what is open on the way (open transactions roll back), and the program ends.
class ProgramHalt : public std::runtime_error {
public:
    ProgramHalt(int errorId, std::string text) : std::runtime_error(std::move(text)), id(errorId) {}
    int id;
};

struct CatalogueEntry {
    std::uint16_t id;
    Level level;
    const char* title;
    const char* text;
};
// nullptr when the id is not in the catalogue.
const CatalogueEntry* findCatalogueEntry(int id);

class ErrorClass {
public:
    void SetFile(std::string name);
    void SetKey(std::string name);
    void SetField(std::string name);
    void SetMessage(std::string text);
    void SetProcedureName(std::string name);
    void SetCategory(std::string category);
    // The run-time error (code and text) and the storage driver's own error (code and text).
    void SetErrors(int errorCode, std::string errorText, std::string fileErrorCode = "", std::string fileErrorText = "");
    const std::string& procedureName() const { return procedure_; }

    // Shows the entry by its level and returns the outcome (see Level). Fatal and program
    // levels throw ProgramHalt after the box is answered.
    int Throw(int id);
    int ThrowMessage(int id, std::string message);
    // The text the entry would show now, placeholders filled (without the fatal suffix).
    std::string SubstituteText(int id) const;
    std::string SubstituteText(const std::string& text) const;

private:
    std::string file_, key_, field_, message_, procedure_, category_;
    int errorCode_ = 0;
    std::string errorText_, fileErrorCode_, fileErrorText_;
    std::string previous_;
};

ErrorClass& GlobalErrors();

}  // namespace tavlo
