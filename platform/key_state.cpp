#include "platform/key_state.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

// Opened on first use and kept for the life of the process. The start-up reads it on the main
// thread before the other threads run; afterwards only the display thread uses it.
Display* key_state_display() {
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

bool keysym_held(Display* display, const char keymap[32], KeySym keysym) {
    KeyCode code = XKeysymToKeycode(display, keysym);
    return code != 0 && (keymap[code / 8] & (1 << (code % 8))) != 0;
}

// The bit of a named indicator in the indicator state, or 0 when the keyboard has none.
unsigned indicator_bit(Display* display, const char* name) {
    int index = -1;
    if (!XkbGetNamedIndicator(display, XInternAtom(display, name, False), &index, nullptr,
                              nullptr, nullptr) ||
        index < 0 || index >= 32)
        return 0;
    return 1u << index;
}

} // namespace

PlatformModifierKeys platform_modifier_keys() {
    PlatformModifierKeys keys{};
    Display* display = key_state_display();
    if (display == nullptr) return keys;
    char keymap[32];
    XQueryKeymap(display, keymap);
    keys.shift_left = keysym_held(display, keymap, XK_Shift_L);
    keys.shift_right = keysym_held(display, keymap, XK_Shift_R);
    keys.ctrl_left = keysym_held(display, keymap, XK_Control_L);
    keys.ctrl_right = keysym_held(display, keymap, XK_Control_R);
    keys.alt_left = keysym_held(display, keymap, XK_Alt_L);
    keys.alt_right = keysym_held(display, keymap, XK_Alt_R);
    return keys;
}

PlatformLockKeys platform_lock_keys() {
    PlatformLockKeys keys{};
    Display* display = key_state_display();
    if (display == nullptr) return keys;
    // The indicators are looked up by name once; afterwards one request reads them all.
    static const unsigned caps_lock = indicator_bit(display, "Caps Lock");
    static const unsigned num_lock = indicator_bit(display, "Num Lock");
    unsigned state = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success) return keys;
    keys.caps_lock = (state & caps_lock) != 0;
    keys.num_lock = (state & num_lock) != 0;
    return keys;
}
