#include "tests/support/message_box_script.h"

#include "platform/message_box.h"

#include <cstdio>
#include <string>

int scripted_answer;

namespace {
int scripted_box(const char* text, const char* caption, int buttons, bool) {
    std::string shown = text;
    for (char& c : shown)
        if (c == '\n') c = '/';
    fprintf(stderr, "box: %s | %s [%s]\n", caption, shown.c_str(),
            buttons == MESSAGE_BOX_YES_NO ? "Yes/No" : "OK");
    fflush(stderr);
    return scripted_answer;
}
} // namespace

void use_scripted_message_box(int answer) {
    scripted_answer = answer;
    message_box = scripted_box;
}
