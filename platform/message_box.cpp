// Placeholder until the Xlib dialog lands: reports that no box could be shown.
#include "platform/message_box.h"

MessageBoxFunction message_box = xlib_message_box;

int xlib_message_box(const char*, const char*, int, bool) {
    return MESSAGE_BOX_FAILED;
}

void message_box_set_owner_window(unsigned long) {}
