// Message boxes: a small modal dialog drawn with Xlib alone. It opens its own connection to the X
// server on the calling thread, shows the caption as its title, the text in lines and OK or
// Yes/No buttons. The default button (OK or Yes) has the focus at first; Tab and the arrow keys
// move it, Return or space answer with the focused button, Escape answers No (OK in an OK box),
// and clicks work. A key already held when the box appears counts only once released. A box closed by the window manager, or one
// that cannot be shown at all, answers MESSAGE_BOX_FAILED.
#pragma once

enum MessageBoxButtons { MESSAGE_BOX_OK = 0, MESSAGE_BOX_YES_NO = 4 };
enum MessageBoxAnswer {
    MESSAGE_BOX_FAILED = 0,
    MESSAGE_BOX_ANSWER_OK = 1,
    MESSAGE_BOX_YES = 6,
    MESSAGE_BOX_NO = 7,
};

// system_modal asks the window manager to keep the box above every other window.
using MessageBoxFunction = int (*)(const char* text, const char* caption, int buttons,
                                   bool system_modal);

// The box the runtime shows. Tests replace it with a scripted answerer to read the caption and
// text they were given; everything else calls through it.
extern MessageBoxFunction message_box;

// The real dialog.
int xlib_message_box(const char* text, const char* caption, int buttons, bool system_modal);

// The game window, once it exists, so that boxes are centred over it; 0 for none.
void message_box_set_owner_window(unsigned long window);
