#include "operators/passwords.h"

#include "framework/message.h"
#include "state/globals.h"
#include "util/text.h"

namespace tavlo {

bool samePassword(std::string_view typed, std::string_view stored) { return sameText(typed, stored); }

void showWrongPassword() {
    MessageRequest box;
    box.title = std::string(byLanguage("Waarskuwing!", "Warning!"));
    box.text = std::string(byLanguage("Die wagwoord is nie reg nie ...", "The password is incorrect ..."));
    box.icon = Icon::Information;
    box.buttons = ButtonOk;
    box.defaultButton = ButtonOk;
    showMessage(box);
}

void showUnknownOperator() {
    MessageRequest box;
    box.title = std::string(byLanguage("Waarskuwing!", "Warning!"));
    box.text = std::string(byLanguage("Onbekende operateur: tik die naam of nommer van 'n operateur, of kies een met ...",
                                      "Unknown operator: type an operator's name or number, or pick one with ..."));
    box.icon = Icon::Information;
    box.buttons = ButtonOk;
    box.defaultButton = ButtonOk;
    showMessage(box);
}

}  // namespace tavlo
