#include "framework/errors.h"

#include <algorithm>
#include <array>

#include "framework/message.h"
#include "util/text.h"

namespace tavlo {

namespace {

// Titles and texts are kept exactly as the operator has always seen them; "|" starts a new line.
constexpr CatalogueEntry kCatalogue[] = {
    {1, LevelNotify, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to previous window."},
    {2, LevelNotify, "Access Denied", "Could not get write access to %File so trying read-only."},
    {3, LevelUser, "Record Added", "This record has been added to the file. Do you want to add another record?"},
    {4, LevelNotify, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
    {5, LevelNotify, "Add New Record?", "Record match not found, do you wish to add a new one?"},
    {6, LevelNotify, "File Access Error", "File %File could not be closed.  Error: %ErrorText."},
    {7, LevelNotify, "Record Was Not Updated", "This record was changed by another station."},
    {8, LevelNotify, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button or "
     "Ctrl+H to recall your changes."},
    {9, LevelNotify, "Record Retrieval Error",
     "This record was changed or deleted by another station.|Error: (%ErrorText) attempting to access a record "
     "from the %File file."},
    {10, LevelUser, "Changes will be lost!", "Are you sure you want to cancel?"},
    {11, LevelUser, "Confirm Delete", "Are you sure you want to delete the highlighted record?"},
    {12, LevelFatal, "File Creation Error", "Error: (%ErrorText) creating %File."},
    {13, LevelNotify, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {14, LevelNotify, "Invalid Request", "This form cannot be used to delete a record"},
    {15, LevelNotify, "Duplicate Key Error", "Adding this record creates a duplicate entry for the key: %Message"},
    {16, LevelNotify, "SQL Execution Error", "Executing the SQL command %Message failed.|Error: %ErrorText."},
    {18, LevelNotify, "Field contents error", "The value of %Field must be found in the %Message file."},
    {19, LevelNotify, "Value Error", "The value of %Field must be in the list : %Message."},
    {20, LevelNotify, "Range Error", "The value of %Field must be in range %Message."},
    {21, LevelNotify, "Range Error", "The value of %Field must be lower than %Message."},
    {22, LevelNotify, "Range Error", "The value of %Field must be higher than %Message."},
    {23, LevelNotify, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
    {24, LevelFatal, "WMF Parser Error", "Get next record from file %File failed."},
    {25, LevelNotify, "Invalid Request", "This form cannot be used to insert a record"},
    {26, LevelFatal, "Invalid File",
     "%File has an invalid File structure.|Error: %ErrorCode - %Error|FileError: %FileErrorCode - %FileError|"},
    {27, LevelNotify, "Transaction cancelled", "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {28, LevelNotify, "No Records", "There are no records available to process."},
    {29, LevelFatal, "File Access Error", "File %File could not be opened.  Error: %ErrorText."},
    {30, LevelNotify, "Procedure not defined", "The Procedure %Message has not been defined."},
    {31, LevelNotify, "Record was not updated",
     "An error (%ErrorText) was experienced when making changes to the %File file."},
    {32, LevelFatal, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
    {33, LevelNotify, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
    {34, LevelNotify, "Record not read", "A record held by another station was encountered reading from the %File file."},
    {36, LevelNotify, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while these references exist."},
    {37, LevelNotify, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted from change and have "
     "been reset to original values."},
    {38, LevelUser, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: %ErrorText.|Try "
     "Again?"},
    {39, LevelUser, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {40, LevelUser, "Record Update Error",
     "An error was experienced changing this record. Do you want to try to save again?"},
    {41, LevelUser, "Save Record", "Do you want to save the changes to this record?"},
    {42, LevelUser, "Beginning of File Error",
     "The beginning of the file %File was encountered. Do you want to start again from the end of the file?"},
    {43, LevelUser, "End of File Error",
     "The end of the file %File was encountered. Do you want to start again from the beginning?"},
    {44, LevelNotify, "Invalid Request", "This form cannot be used to update a record"},
    {45, LevelProgram, "File Usage Error", "Attempt to use file (%File) before it was opened"},
    {46, LevelNotify, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {47, LevelNotify, "Unsupported QBE Column",
     "The saved QBE column, %Field is not supported. It will be dropped from the query."},
    {48, LevelNotify, "SMTP Error", "The following SMTP Error occurred: %Message "},
    {49, LevelNotify, "NNTP Error", "%Message "},
    {50, LevelNotify, "Winsock Error", "%Message "},
    {51, LevelFatal, "WMF Parser Error", "Adding record to queue failed. Parsing %File."},
    {52, LevelFatal, "WMF Parser Error", "The File %File is not a valid WMF file."},
    {53, LevelFatal, "WMF Parser Error", "Invalid %Field control found. Parsing %File."},
    {54, LevelFatal, "WMF Parser Error", "Cannot find %Field id. Parsing %File."},
    {55, LevelNotify, "Report Writer Error", "Poorly Formed Comment String \"%Message\" at Position %Field."},
    {56, LevelNotify, "Report Writer Error", "Unknown Property %Message."},
};

constexpr std::size_t kMaxText = 2000;
constexpr const char* kFatalSuffix = "  Press OK to end this application";

// Run-time errors the storage driver explains itself: %ErrorText shows the driver's text.
bool driverExplains(int code) { return code == 90 || code == 100 || code == 47; }

}  // namespace

const CatalogueEntry* findCatalogueEntry(int id) {
    auto it = std::find_if(std::begin(kCatalogue), std::end(kCatalogue),
                           [id](const CatalogueEntry& e) { return e.id == id; });
    return it == std::end(kCatalogue) ? nullptr : &*it;
}

std::size_t catalogueSize() { return std::size(kCatalogue); }

void ErrorClass::SetFile(std::string name) { file_ = std::move(name); }
void ErrorClass::SetKey(std::string name) { key_ = std::move(name); }
void ErrorClass::SetField(std::string name) { field_ = std::move(name); }
void ErrorClass::SetMessage(std::string text) { message_ = std::move(text); }
void ErrorClass::SetProcedureName(std::string name) { procedure_ = std::move(name); }
void ErrorClass::SetCategory(std::string category) { category_ = std::move(category); }

void ErrorClass::SetErrors(int errorCode, std::string errorText, std::string fileErrorCode, std::string fileErrorText) {
    errorCode_ = errorCode;
    errorText_ = std::move(errorText);
    fileErrorCode_ = std::move(fileErrorCode);
    fileErrorText_ = std::move(fileErrorText);
}

std::string ErrorClass::SubstituteText(const std::string& text) const {
    // Longer placeholders go before the shorter ones they begin with.
    std::string errorText = driverExplains(errorCode_) ? fileErrorText_ + " (" + fileErrorCode_ + ")"
                                                       : errorText_ + " (" + std::to_string(errorCode_) + ")";
    std::string out = text;
    out = replaceAll(out, "%FileErrorCode", fileErrorCode_);
    out = replaceAll(out, "%FileError", fileErrorText_);
    out = replaceAll(out, "%File", file_);
    out = replaceAll(out, "%Key", key_);
    out = replaceAll(out, "%ErrorCode", std::to_string(errorCode_));
    out = replaceAll(out, "%ErrorText", errorText);
    out = replaceAll(out, "%Error", errorText_);
    out = replaceAll(out, "%Message", message_);
    out = replaceAll(out, "%Field", field_);
    out = replaceAll(out, "%Procedure", procedure_);
    out = replaceAll(out, "%Category", category_);
    out = replaceAll(out, "%Previous", previous_);
    return fitBytes(out, kMaxText);
}

std::string ErrorClass::SubstituteText(int id) const {
    const CatalogueEntry* e = findCatalogueEntry(id);
    return e ? SubstituteText(std::string(e->text)) : SubstituteText(unknownText(id));
}

std::string ErrorClass::unknownText(int id) { return "Unknown error " + std::to_string(id) + "."; }

Level ErrorClass::Throw(int id) {
    const CatalogueEntry* e = findCatalogueEntry(id);
    // An id outside the catalogue is the caller's slip: say so, and let the work go on.
    Level level = e ? e->level : LevelNotify;
    std::string title = e ? e->title : "Error";
    if (level == LevelBenign) return LevelBenign;
    std::string text = SubstituteText(id);
    previous_ = text;

    MessageRequest box;
    box.title = title;
    switch (level) {
        case LevelUser:
        case LevelCancel: {
            box.text = text;
            box.icon = Icon::Exclamation;
            box.buttons = ButtonYes | ButtonNo;
            box.defaultButton = ButtonYes;
            return showMessage(box) == ButtonYes ? LevelBenign : LevelCancel;
        }
        case LevelNotify:
            box.text = text;
            box.icon = Icon::Information;
            box.buttons = box.defaultButton = ButtonOk;
            showMessage(box);
            return LevelNotify;
        default:
            // fatal, program and anything else: the program ends once the box is answered
            box.text = text + kFatalSuffix;
            box.icon = Icon::Information;
            box.buttons = box.defaultButton = ButtonOk;
            showMessage(box);
            throw ProgramHalt(id, box.text);
    }
}

Level ErrorClass::ThrowMessage(int id, std::string message) {
    SetMessage(std::move(message));
    return Throw(id);
}

ErrorClass& GlobalErrors() {
    static ErrorClass errors;
    return errors;
}

}  // namespace tavlo
