#pragma once
// The window the export and the import share: the data folder, a heading, the target or source
// folder typed or picked with "Drive", the action button and "Cancel". The folder is made safe
// to use here: a separator at its end, no "..", not longer than its field, relative names taken
// from the data folder.
#include <optional>
#include <string>

#include "framework/procedure.h"

namespace tavlo {

class ExchangeWindow : public Procedure {
public:
    std::string structureName() const override { return "QuickWindow"; }

protected:
    ExchangeWindow(std::string procedure, std::string title, std::string action);

    void DefineWindow(Window& w) override;
    void TakeAccepted(int control) override;
    // The action button was pressed.
    virtual void act() = 0;

    // The folder as the action uses it, ending in a separator; "" when none was given; nullopt
    // after a message when it cannot be used.
    std::optional<std::string> usableFolder();
    // A message box with one OK button and no icon; Afrikaans texts when the language is 2.
    void say(std::string_view titleAf, std::string_view titleEn, const std::string& textAf,
             const std::string& textEn);
    // The insert-medium notice before the archive is read or written.
    void askForMedium();

    std::string BACKUPTODRIVE;  // LOC:BACKUPTODRIVE, STRING(50)
    std::string USERNAME;       // LOC:USERNAME, STRING(30): the heading
    std::string dataFolder_;    // shown as the data folder

    static constexpr std::size_t kFolderBytes = 50;
    static constexpr std::size_t kNameBytes = 128;  // archive names

private:
    std::string title_, action_;
    int drive_ = 0, folderEntry_ = 0, actionButton_ = 0;
};

}  // namespace tavlo
