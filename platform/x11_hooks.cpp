#include "platform/x11_hooks.h"

#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

using WireToEvent = Bool (*)(Display*, XEvent*, xEvent*);

// Everything the converters need, worked out before they are installed: they run with Xlib's
// lock held and may make no Xlib call.
struct HookState {
    X11WindowHandlers handlers;
    Window window;
    Atom wm_protocols;
    Atom wm_delete_window;
    KeyCode pause_keycode;
    KeyCode break_keycode; // the same key as Pause on common layouts
    bool pause_was_break;  // the decision made at the last press of the Pause key
    WireToEvent previous[LASTEvent];
};
HookState hooks{};

struct FixedSize {
    int width;
    int height;
    bool withdrawn_once;
};
FixedSize fixed_size{0, 0, false};

bool is_close_request(const XEvent& event) {
    return event.type == ClientMessage && event.xclient.window == hooks.window &&
           event.xclient.message_type == hooks.wm_protocols && event.xclient.format == 32 &&
           Atom(event.xclient.data.l[0]) == hooks.wm_delete_window;
}

bool is_pause_key(const XEvent& event) {
    KeyCode code = KeyCode(event.xkey.keycode);
    return code != 0 && (code == hooks.pause_keycode || code == hooks.break_keycode);
}

Bool convert_client_message(Display* display, XEvent* event, xEvent* wire) {
    if (!hooks.previous[ClientMessage](display, event, wire)) return False;
    if (!is_close_request(*event)) return True;
    hooks.handlers.close_request();
    return False;
}

// Break is the Pause key pressed with Control held (or a key of its own, where the layout has
// one); its release is reported as whatever its press was.
Bool convert_key(Display* display, XEvent* event, xEvent* wire, bool press) {
    if (!hooks.previous[press ? KeyPress : KeyRelease](display, event, wire)) return False;
    if (!is_pause_key(*event)) return True;
    if (press) {
        KeyCode code = KeyCode(event->xkey.keycode);
        hooks.pause_was_break = (event->xkey.state & ControlMask) != 0 ||
                                (code == hooks.break_keycode && code != hooks.pause_keycode);
    }
    hooks.handlers.pause_key(hooks.pause_was_break, press);
    return False;
}

Bool convert_key_press(Display* display, XEvent* event, xEvent* wire) {
    return convert_key(display, event, wire, true);
}

Bool convert_key_release(Display* display, XEvent* event, xEvent* wire) {
    return convert_key(display, event, wire, false);
}

Bool convert_expose(Display* display, XEvent* event, xEvent* wire) {
    Bool keep = hooks.previous[Expose](display, event, wire);
    if (keep && event->xexpose.window == hooks.window) hooks.handlers.exposed();
    return keep;
}

Bool close_request_predicate(Display*, XEvent* event, XPointer) {
    return is_close_request(*event);
}

} // namespace

bool x11_hooks_install(Display* display, unsigned long window, const X11WindowHandlers& handlers) {
    if (display == nullptr) return false;
    hooks.handlers = handlers;
    hooks.window = Window(window);
    hooks.wm_protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    hooks.wm_delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    hooks.pause_keycode = XKeysymToKeycode(display, XK_Pause);
    hooks.break_keycode = XKeysymToKeycode(display, XK_Break);
    hooks.previous[ClientMessage] =
        XESetWireToEvent(display, ClientMessage, convert_client_message);
    hooks.previous[KeyPress] = XESetWireToEvent(display, KeyPress, convert_key_press);
    hooks.previous[KeyRelease] = XESetWireToEvent(display, KeyRelease, convert_key_release);
    hooks.previous[Expose] = XESetWireToEvent(display, Expose, convert_expose);
    XEvent event;
    if (XCheckIfEvent(display, &event, close_request_predicate, nullptr))
        hooks.handlers.close_request();
    return true;
}

void x11_fix_window_size(Display* display, unsigned long window, int width, int height) {
    if (display == nullptr || (width == fixed_size.width && height == fixed_size.height)) return;
    fixed_size.width = width;
    fixed_size.height = height;
    XSizeHints* hints = XAllocSizeHints();
    if (hints == nullptr) return;
    long supplied = 0;
    if (!XGetWMNormalHints(display, Window(window), hints, &supplied)) hints->flags = 0;
    hints->flags |= PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(display, Window(window), hints);
    XFree(hints);
    if (!fixed_size.withdrawn_once) {
        fixed_size.withdrawn_once = true;
        XWithdrawWindow(display, Window(window), DefaultScreen(display));
        XMapWindow(display, Window(window));
    }
    XFlush(display);
}
