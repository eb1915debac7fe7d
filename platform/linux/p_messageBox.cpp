// p_messageBox.cpp -- the replaceable message-box handler.
//
// Without a GUI (tools, tests that do not script it) the text goes to stderr, and a question is
// answered No: a box nobody sees must never agree to something on the user's behalf.
#include <cstdio>

#include "platform/s_platform.h"

namespace Platform {

namespace {

BoxAnswer ConsoleMessageBox(const char* text, const char* caption, BoxButtons buttons) {
    std::fprintf(stderr, "%s %s\n", caption ? caption : "", text ? text : "");
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

MessageBoxHandler currentHandler = ConsoleMessageBox;

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = currentHandler;
    currentHandler = handler ? handler : ConsoleMessageBox;
    return previous;
}

BoxAnswer ShowMessageBox(const char* text, const char* caption, BoxButtons buttons) {
    return currentHandler(text, caption, buttons);
}

}  // namespace Platform
