#include "tests/window/support/xclient.h"

#include "tests/window/support/wait.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <bit>
#include <cstring>

namespace {

constexpr int key_pause_ms = 5;

int ignore_error(Display*, XErrorEvent*) {
    return 0;
}

// The raw bytes of a property, or empty when it is missing.
std::vector<unsigned char> property_bytes(Display* display, Window window, const char* property,
                                          Atom wanted_type, int* format, unsigned long* count) {
    Atom type;
    unsigned long after;
    unsigned char* data = nullptr;
    *count = 0;
    int status = XGetWindowProperty(display, window, XInternAtom(display, property, False), 0,
                                    65536, False, wanted_type, &type, format, count, &after, &data);
    std::vector<unsigned char> bytes;
    if (status == Success && data && type != None) {
        size_t unit = *format == 8 ? 1 : *format == 16 ? sizeof(short) : sizeof(long);
        bytes.assign(data, data + *count * unit);
    }
    if (data) XFree(data);
    return bytes;
}

// Depth-first through the whole window tree; the first window for which `match` holds.
template <typename Match> Window find_window(Display* display, Window top, const Match& match) {
    if (match(top)) return top;
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, top, &root, &parent, &children, &count)) return None;
    Window found = None;
    for (unsigned i = 0; i < count && found == None; i++)
        found = find_window(display, children[i], match);
    if (children) XFree(children);
    return found;
}

template <typename Match> Window wait_for_window(Display* display, int timeout_ms, Match match) {
    Window found = None;
    wait_until(
        [&] {
            found = find_window(display, DefaultRootWindow(display), match);
            return found != None;
        },
        timeout_ms, 10);
    return found;
}

// One colour channel of a pixel value, scaled to 8 bits.
uint32_t channel(unsigned long value, unsigned long mask) {
    if (mask == 0) return 0;
    unsigned long bits = (value & mask) >> std::countr_zero(mask);
    unsigned long top = mask >> std::countr_zero(mask);
    return uint32_t(bits * 255 / top);
}

unsigned long raw_pixel(const XImage* image, int x, int y) {
    int bytes = image->bits_per_pixel / 8;
    const unsigned char* p =
        reinterpret_cast<const unsigned char*>(image->data) + y * image->bytes_per_line + x * bytes;
    unsigned long value = 0;
    for (int i = 0; i < bytes; i++) {
        int shift = image->byte_order == LSBFirst ? 8 * i : 8 * (bytes - 1 - i);
        value |= (unsigned long)(p[i]) << shift;
    }
    return value;
}

bool send_key(Display* display, unsigned long keysym, bool press) {
    KeyCode code = XKeysymToKeycode(display, KeySym(keysym));
    if (code == 0) return false;
    XTestFakeKeyEvent(display, code, press, CurrentTime);
    XSync(display, False);
    sleep_ms(key_pause_ms);
    return true;
}

constexpr struct {
    unsigned modifier;
    unsigned long keysym;
} modifier_keys[] = {
    {XTEST_CONTROL, XK_Control_L},
    {XTEST_SHIFT, XK_Shift_L},
    {XTEST_ALT, XK_Alt_L},
};

unsigned long keysym_of(char c, unsigned* modifiers) {
    *modifiers = 0;
    if (c >= 'a' && c <= 'z') return XK_a + (c - 'a');
    if (c >= 'A' && c <= 'Z') {
        *modifiers = XTEST_SHIFT;
        return XK_a + (c - 'A');
    }
    if (c >= '0' && c <= '9') return XK_0 + (c - '0');
    if (c == ' ') return XK_space;
    if (c == '\n') return XK_Return;
    return NoSymbol;
}

} // namespace

Display* xclient_open(const XServer& server) {
    XSetErrorHandler(ignore_error);
    return XOpenDisplay(server.display.c_str());
}

std::string xwin_text_property(Display* display, Window window, const char* property) {
    int format = 0;
    unsigned long count;
    std::vector<unsigned char> bytes =
        property_bytes(display, window, property, AnyPropertyType, &format, &count);
    if (format != 8) return {};
    return std::string(bytes.begin(), bytes.end());
}

std::string xwin_title(Display* display, Window window) {
    std::string title = xwin_text_property(display, window, "_NET_WM_NAME");
    return title.empty() ? xwin_text_property(display, window, "WM_NAME") : title;
}

std::vector<std::string> xwin_atom_names(Display* display, Window window, const char* property) {
    int format = 0;
    unsigned long count;
    std::vector<unsigned char> bytes =
        property_bytes(display, window, property, XA_ATOM, &format, &count);
    std::vector<std::string> names;
    if (format != 32) return names;
    for (unsigned long i = 0; i < count; i++) {
        long atom;
        memcpy(&atom, bytes.data() + i * sizeof atom, sizeof atom);
        char* name = XGetAtomName(display, Atom(atom));
        if (name) names.push_back(name);
        if (name) XFree(name);
    }
    return names;
}

Window xwin_find_by_title(Display* display, const std::string& title, int timeout_ms) {
    return wait_for_window(display, timeout_ms,
                           [&](Window w) { return xwin_title(display, w) == title; });
}

Window xwin_find_by_pid(Display* display, long pid, int timeout_ms) {
    return wait_for_window(display, timeout_ms, [&](Window w) {
        int format = 0;
        unsigned long count;
        std::vector<unsigned char> bytes =
            property_bytes(display, w, "_NET_WM_PID", XA_CARDINAL, &format, &count);
        long value = 0;
        if (format == 32 && count == 1) memcpy(&value, bytes.data(), sizeof value);
        return value == pid;
    });
}

Window xwin_focus(Display* display) {
    Window focus;
    int revert;
    XGetInputFocus(display, &focus, &revert);
    return focus;
}

bool xwin_geometry(Display* display, Window window, WindowGeometry& geometry) {
    geometry = WindowGeometry{0, 0, 0, 0, IsUnmapped};
    XWindowAttributes attributes;
    Window child;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    geometry.width = attributes.width;
    geometry.height = attributes.height;
    geometry.map_state = attributes.map_state;
    return XTranslateCoordinates(display, window, attributes.root, 0, 0, &geometry.x, &geometry.y,
                                 &child);
}

bool xwin_capture(Display* display, Window window, WindowCapture& capture) {
    WindowGeometry geometry;
    bool known = xwin_geometry(display, window, geometry);
    capture = WindowCapture{geometry.width, geometry.height, geometry.map_state, {}};
    if (!known || geometry.map_state != IsViewable) return false;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(geometry.width),
                              unsigned(geometry.height), AllPlanes, ZPixmap);
    if (!image) return false;
    bool supported = image->bits_per_pixel == 24 || image->bits_per_pixel == 32;
    if (supported) {
        capture.pixels.resize(size_t(geometry.width) * size_t(geometry.height));
        for (int y = 0; y < geometry.height; y++)
            for (int x = 0; x < geometry.width; x++) {
                unsigned long v = raw_pixel(image, x, y);
                capture.pixels[size_t(y) * size_t(geometry.width) + size_t(x)] =
                    channel(v, image->red_mask) << 16 | channel(v, image->green_mask) << 8 |
                    channel(v, image->blue_mask);
            }
    }
    XDestroyImage(image);
    return supported;
}

bool xtest_key_down(Display* display, unsigned long keysym) {
    return send_key(display, keysym, true);
}

bool xtest_key_up(Display* display, unsigned long keysym) {
    return send_key(display, keysym, false);
}

bool xtest_key(Display* display, unsigned long keysym, unsigned modifiers) {
    if (XKeysymToKeycode(display, KeySym(keysym)) == 0) return false;
    for (const auto& m : modifier_keys)
        if (modifiers & m.modifier) send_key(display, m.keysym, true);
    send_key(display, keysym, true);
    send_key(display, keysym, false);
    for (const auto& m : modifier_keys)
        if (modifiers & m.modifier) send_key(display, m.keysym, false);
    return true;
}

bool xtest_type(Display* display, const std::string& text) {
    for (char c : text) {
        unsigned modifiers;
        unsigned long keysym = keysym_of(c, &modifiers);
        if (keysym == NoSymbol || !xtest_key(display, keysym, modifiers)) return false;
    }
    return true;
}

void xtest_move_pointer(Display* display, int x, int y) {
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
    sleep_ms(key_pause_ms);
}

void xtest_click(Display* display, int x, int y, unsigned button) {
    xtest_move_pointer(display, x, y);
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
    sleep_ms(key_pause_ms);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
    sleep_ms(key_pause_ms);
}

void xwin_send_close_request(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}
