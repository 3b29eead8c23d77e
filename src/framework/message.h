#pragma once
// Message boxes. Every box the program raises goes through showMessage(); the desktop shows a
// real box, the test runtime answers from a script.
#include <functional>
#include <string>

namespace tavlo {

enum class Icon { None, Information, Exclamation, Question, Hand };

// Buttons are a bit set; the answer is one of them.
enum Button : unsigned {
    ButtonOk = 1,
    ButtonYes = 2,
    ButtonNo = 4,
    ButtonCancel = 8,
    ButtonAbort = 16,
    ButtonRetry = 32,
    ButtonIgnore = 64,
};

struct MessageRequest {
    std::string title;
    std::string text;  // "|" starts a new line
    Icon icon = Icon::Information;
    unsigned buttons = ButtonOk;
    unsigned defaultButton = ButtonOk;
};

// Who answers message boxes: set by the runtime (desktop or test). Without one, the default
// button is the answer, so a program without a face never blocks.
using MessageHandler = std::function<unsigned(const MessageRequest&)>;
void setMessageHandler(MessageHandler handler);
unsigned showMessage(const MessageRequest& request);

// The text with each "|" turned into a line break, as a box shows it.
std::string messageLines(const std::string& text);

}  // namespace tavlo
