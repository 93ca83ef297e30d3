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

bool indicator_on(Display* display, Atom atom) {
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return false;
    return on;
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
    static const Atom caps_lock = XInternAtom(display, "Caps Lock", False);
    static const Atom num_lock = XInternAtom(display, "Num Lock", False);
    keys.caps_lock = indicator_on(display, caps_lock);
    keys.num_lock = indicator_on(display, num_lock);
    return keys;
}
