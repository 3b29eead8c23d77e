#pragma once
// The program-wide error reporter and its catalogue of storage and form errors.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace tavlo {

enum Level : int { LevelBenign = 0, LevelUser = 1, LevelProgram = 2, LevelFatal = 3, LevelCancel = 4, LevelNotify = 5 };

// Thrown after a fatal or program-level error has been shown: it unwinds to the program's
// entry, closing what is open on the way (open transactions roll back), and the program ends.
// Whatever runs an event loop catches it at the loop's edge and quits the loop; code that must
// not throw (destructors, Qt slots) reports such errors through a caller that can.
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
std::size_t catalogueSize();

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
    const std::string& fileName() const { return file_; }
    const std::string& message() const { return message_; }
    int errorCode() const { return errorCode_; }
    const std::string& errorText() const { return errorText_; }
    const std::string& fileErrorCode() const { return fileErrorCode_; }
    const std::string& fileErrorText() const { return fileErrorText_; }
    // The text of the error shown last (what %Previous gives); empty before the first.
    const std::string& previous() const { return previous_; }

    // Shows the entry by its level and returns the outcome: benign 0 without a box; user and
    // cancel ask Yes/No (0 for Yes, 4 otherwise); notify shows OK and gives 5. Fatal, program and
    // any other level show the text with "  Press OK to end this application" and throw
    // ProgramHalt after the box is answered. An id outside the catalogue shows
    // "Unknown error <id>." as a notice.
    Level Throw(int id);
    Level ThrowMessage(int id, std::string message);
    // The text the entry would show now, placeholders filled (without the fatal suffix).
    std::string SubstituteText(int id) const;
    std::string SubstituteText(const std::string& text) const;

private:
    static std::string unknownText(int id);

    std::string file_, key_, field_, message_, procedure_, category_;
    int errorCode_ = 0;
    std::string errorText_, fileErrorCode_, fileErrorText_;
    std::string previous_;
};

ErrorClass& GlobalErrors();

}  // namespace tavlo
