#include "framework/message.h"

#include <utility>

namespace tavlo {

namespace {
MessageHandler& handler() {
    static MessageHandler current;
    return current;
}
}  // namespace

void setMessageHandler(MessageHandler h) { handler() = std::move(h); }

unsigned showMessage(const MessageRequest& request) {
    if (handler()) return handler()(request);
    return request.defaultButton;
}

std::string messageLines(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '|') c = '\n';
    return out;
}

}  // namespace tavlo
