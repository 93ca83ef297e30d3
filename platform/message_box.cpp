// The message box: a small dialog drawn with Xlib on a connection of its own, opened and closed on
// the calling thread, so that it never shares a connection with the window layer.
#include "platform/message_box.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
// For XESetError, the one way to filter the errors of a single connection.
#include <X11/Xlibint.h>
#undef min
#undef max

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

MessageBoxFunction message_box = xlib_message_box;

namespace {

// Set by the main thread once the game window exists, read by the thread that shows a box.
std::atomic<unsigned long> owner_window{0};

constexpr int box_margin = 16;
constexpr int box_min_width = 220;
constexpr int button_width = 80;
constexpr int button_height = 26;
constexpr int button_gap = 12;
constexpr unsigned long background_rgb = 0xd8d8d8;
constexpr unsigned long button_face_rgb = 0xf4f4f4;

struct BoxButton {
    const char* label;
    int answer;
};

constexpr BoxButton ok_buttons[] = {
    {"OK", MESSAGE_BOX_ANSWER_OK},
};
constexpr BoxButton yes_no_buttons[] = {
    {"Yes", MESSAGE_BOX_YES},
    {"No", MESSAGE_BOX_NO},
};

// One box on the screen. Focus starts on the first button, which is the default one.
struct BoxWindow {
    Display* display;
    Window window;
    GC gc;
    XFontStruct* font;
    std::vector<std::string> lines;
    const BoxButton* buttons;
    int button_count;
    int escape_answer; // No for a Yes/No box; an OK box has only OK to give
    int focused;
    int pressed; // the button under a mouse press, -1 for none
    int width;
    int height;
    unsigned long button_face;
    Atom wm_protocols;
    Atom wm_delete_window;
    bool has_focus_taken;
    Window previous_focus;
    char held_keys[32]; // keys already down when the box appeared
};

// Errors on the box's connection (the owner window gone, for instance) are dropped here rather
// than passed to the process-wide error handler, which would end the process.
int drop_error(Display*, xError*, XExtCodes*, int* ret_code) {
    *ret_code = 0;
    return True;
}

std::vector<std::string> split_lines(const char* text) {
    std::vector<std::string> lines(1);
    for (const char* p = text; *p; p++) {
        if (*p == '\n')
            lines.emplace_back();
        else if (*p != '\r')
            lines.back() += *p;
    }
    return lines;
}

unsigned long rgb_pixel(Display* display, unsigned long rgb, unsigned long fallback) {
    XColor colour{};
    colour.red = (unsigned short)(((rgb >> 16) & 0xff) * 0x101);
    colour.green = (unsigned short)(((rgb >> 8) & 0xff) * 0x101);
    colour.blue = (unsigned short)((rgb & 0xff) * 0x101);
    Colormap map = DefaultColormap(display, DefaultScreen(display));
    return XAllocColor(display, map, &colour) ? colour.pixel : fallback;
}

int line_height(const BoxWindow& box) {
    return box.font->ascent + box.font->descent;
}

// The size follows the text: its widest line or the buttons, whichever is wider, and one row per
// line, never larger than the screen.
void box_measure(BoxWindow& box) {
    int text_width = 0;
    for (const std::string& line : box.lines)
        text_width = std::max(text_width, XTextWidth(box.font, line.data(), int(line.size())));
    int buttons_width = box.button_count * button_width + (box.button_count - 1) * button_gap;
    int screen = DefaultScreen(box.display);
    box.width = std::max({text_width, buttons_width, box_min_width}) + 2 * box_margin;
    box.width = std::min(box.width, DisplayWidth(box.display, screen));
    box.height = 3 * box_margin + int(box.lines.size()) * line_height(box) + button_height;
    box.height = std::min(box.height, DisplayHeight(box.display, screen));
}

void button_origin(const BoxWindow& box, int index, int* x, int* y) {
    int row_width = box.button_count * button_width + (box.button_count - 1) * button_gap;
    *x = (box.width - row_width) / 2 + index * (button_width + button_gap);
    *y = box.height - box_margin - button_height;
}

int button_at(const BoxWindow& box, int x, int y) {
    for (int i = 0; i < box.button_count; i++) {
        int bx, by;
        button_origin(box, i, &bx, &by);
        if (x >= bx && x < bx + button_width && y >= by && y < by + button_height) return i;
    }
    return -1;
}

// Centred over the game window when it is known and can be asked, else over the screen; kept
// inside the screen either way.
void box_position(const BoxWindow& box, int* x, int* y) {
    int screen = DefaultScreen(box.display);
    Window root = RootWindow(box.display, screen);
    int area_x = 0, area_y = 0;
    int area_width = DisplayWidth(box.display, screen);
    int area_height = DisplayHeight(box.display, screen);
    Window owner = owner_window.load();
    XWindowAttributes attributes;
    Window child;
    if (owner != 0 && XGetWindowAttributes(box.display, owner, &attributes) &&
        attributes.map_state == IsViewable &&
        XTranslateCoordinates(box.display, owner, root, 0, 0, &area_x, &area_y, &child)) {
        area_width = attributes.width;
        area_height = attributes.height;
    }
    *x = area_x + (area_width - box.width) / 2;
    *y = area_y + (area_height - box.height) / 2;
    *x = std::clamp(*x, 0, std::max(0, DisplayWidth(box.display, screen) - box.width));
    *y = std::clamp(*y, 0, std::max(0, DisplayHeight(box.display, screen) - box.height));
}

Atom atom(Display* display, const char* name) {
    return XInternAtom(display, name, False);
}

void set_atom_list(Display* display, Window window, const char* property,
                   const std::vector<Atom>& atoms) {
    XChangeProperty(display, window, atom(display, property), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), int(atoms.size()));
}

void set_title(const BoxWindow& box, const char* caption) {
    XStoreName(box.display, box.window, caption);
    XChangeProperty(box.display, box.window, atom(box.display, "_NET_WM_NAME"),
                    atom(box.display, "UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(caption), int(strlen(caption)));
}

// What the window manager is asked for: a dialog of fixed size at the given place that stays
// above the other windows, takes the focus, reports its close box and names its process; a
// system-modal box is also modal and transient for the game window, or for the whole screen when
// there is none.
void set_window_manager_hints(BoxWindow& box, int x, int y, bool system_modal) {
    Display* display = box.display;
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | PPosition | PSize | PMinSize | PMaxSize;
    size->x = x;
    size->y = y;
    size->width = size->min_width = size->max_width = box.width;
    size->height = size->min_height = size->max_height = box.height;
    XWMHints* wm = XAllocWMHints();
    wm->flags = InputHint | StateHint;
    wm->input = True;
    wm->initial_state = NormalState;
    XClassHint* class_hint = XAllocClassHint();
    class_hint->res_name = const_cast<char*>("empty-streets");
    class_hint->res_class = const_cast<char*>("EmptyStreets");
    XSetWMProperties(display, box.window, nullptr, nullptr, nullptr, 0, size, wm, class_hint);
    XFree(size);
    XFree(wm);
    XFree(class_hint);

    box.wm_protocols = atom(display, "WM_PROTOCOLS");
    box.wm_delete_window = atom(display, "WM_DELETE_WINDOW");
    XSetWMProtocols(display, box.window, &box.wm_delete_window, 1);
    long pid = getpid();
    XChangeProperty(display, box.window, atom(display, "_NET_WM_PID"), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    set_atom_list(display, box.window, "_NET_WM_WINDOW_TYPE",
                  {atom(display, "_NET_WM_WINDOW_TYPE_DIALOG")});
    std::vector<Atom> state{atom(display, "_NET_WM_STATE_ABOVE")};
    if (system_modal) state.push_back(atom(display, "_NET_WM_STATE_MODAL"));
    set_atom_list(display, box.window, "_NET_WM_STATE", state);

    Window owner = owner_window.load();
    if (owner != 0)
        XSetTransientForHint(display, box.window, owner);
    else if (system_modal)
        XSetTransientForHint(display, box.window, DefaultRootWindow(display));
}

void box_create(BoxWindow& box, const char* caption, bool system_modal) {
    Display* display = box.display;
    int screen = DefaultScreen(display);
    unsigned long background = rgb_pixel(display, background_rgb, WhitePixel(display, screen));
    box.button_face = rgb_pixel(display, button_face_rgb, WhitePixel(display, screen));
    int x, y;
    box_position(box, &x, &y);
    box.window =
        XCreateSimpleWindow(display, RootWindow(display, screen), x, y, unsigned(box.width),
                            unsigned(box.height), 0, BlackPixel(display, screen), background);
    XSelectInput(display, box.window,
                 ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                     ButtonReleaseMask | StructureNotifyMask);
    set_title(box, caption);
    set_window_manager_hints(box, x, y, system_modal);
    box.gc = XCreateGC(display, box.window, 0, nullptr);
    XSetFont(display, box.gc, box.font->fid);
}

void draw_centred(const BoxWindow& box, const char* label, int x, int y, int width, int height) {
    int length = int(strlen(label));
    int text_x = x + (width - XTextWidth(box.font, label, length)) / 2;
    int text_y = y + (height + box.font->ascent - box.font->descent) / 2;
    XDrawString(box.display, box.window, box.gc, text_x, text_y, label, length);
}

// A button is a light face in a black frame; the focused one has a second frame inside.
void draw_button(const BoxWindow& box, int index) {
    int x, y;
    button_origin(box, index, &x, &y);
    Display* display = box.display;
    unsigned long black = BlackPixel(display, DefaultScreen(display));
    XSetForeground(display, box.gc, box.button_face);
    XFillRectangle(display, box.window, box.gc, x, y, button_width, button_height);
    XSetForeground(display, box.gc, black);
    XDrawRectangle(display, box.window, box.gc, x, y, button_width - 1, button_height - 1);
    if (index == box.focused)
        XDrawRectangle(display, box.window, box.gc, x + 3, y + 3, button_width - 7,
                       button_height - 7);
    draw_centred(box, box.buttons[index].label, x, y, button_width, button_height);
}

void box_draw(const BoxWindow& box) {
    Display* display = box.display;
    XClearWindow(display, box.window);
    XSetForeground(display, box.gc, BlackPixel(display, DefaultScreen(display)));
    int y = box_margin + box.font->ascent;
    for (const std::string& line : box.lines) {
        XDrawString(display, box.window, box.gc, box_margin, y, line.data(), int(line.size()));
        y += line_height(box);
    }
    for (int i = 0; i < box.button_count; i++) draw_button(box, i);
    XFlush(display);
}

// The box takes the focus once it can be seen (so that it works without a window manager too),
// and remembers whose focus it took. The keys held down are read first: any key that reaches the
// box after that was pressed after it.
void take_focus(BoxWindow& box) {
    int revert;
    XQueryKeymap(box.display, box.held_keys);
    XGetInputFocus(box.display, &box.previous_focus, &revert);
    XSetInputFocus(box.display, box.window, RevertToPointerRoot, CurrentTime);
    box.has_focus_taken = true;
}

// Hands the focus back to where it was, if the box still has it.
void give_back_focus(const BoxWindow& box) {
    Window focus;
    int revert;
    XGetInputFocus(box.display, &focus, &revert);
    if (focus == box.window && box.previous_focus != None)
        XSetInputFocus(box.display, box.previous_focus, RevertToPointerRoot, CurrentTime);
}

bool key_was_held(BoxWindow& box, unsigned keycode) {
    return (box.held_keys[keycode / 8] >> (keycode % 8)) & 1;
}

void forget_held_key(BoxWindow& box, unsigned keycode) {
    box.held_keys[keycode / 8] = char(box.held_keys[keycode / 8] & ~(1 << (keycode % 8)));
}

void move_focus(BoxWindow& box, int step) {
    box.focused = (box.focused + step + box.button_count) % box.button_count;
    box_draw(box);
}

// Returns the answer a key gives, or -1 while the box stays. A key that was already down when the
// box appeared answers nothing until it has been released, so that a key held in the game (and
// its repeats) cannot answer a box the player has not seen.
int box_key(BoxWindow& box, XKeyEvent& event) {
    if (key_was_held(box, event.keycode)) return -1;
    KeySym keysym = NoSymbol;
    char ignored[8];
    XLookupString(&event, ignored, sizeof ignored, &keysym, nullptr);
    switch (keysym) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
        return box.buttons[box.focused].answer;
    case XK_Escape:
        return box.escape_answer;
    case XK_Tab:
    case XK_Right:
    case XK_Down:
        move_focus(box, 1);
        return -1;
    case XK_ISO_Left_Tab:
    case XK_Left:
    case XK_Up:
        move_focus(box, -1);
        return -1;
    default:
        return -1;
    }
}

// A click answers when the button is released over the button it was pressed on.
int box_click(BoxWindow& box, const XButtonEvent& event) {
    if (event.button != Button1) return -1;
    int under = button_at(box, event.x, event.y);
    if (event.type == ButtonPress) {
        box.pressed = under;
        return -1;
    }
    int answer = (under >= 0 && under == box.pressed) ? box.buttons[under].answer : -1;
    box.pressed = -1;
    return answer;
}

bool is_close_request(const BoxWindow& box, const XClientMessageEvent& event) {
    return event.message_type == box.wm_protocols && event.format == 32 &&
           Atom(event.data.l[0]) == box.wm_delete_window;
}

int box_run(BoxWindow& box) {
    XMapRaised(box.display, box.window);
    for (;;) {
        XEvent event;
        XNextEvent(box.display, &event);
        int answer = -1;
        switch (event.type) {
        case Expose:
            if (!box.has_focus_taken) take_focus(box);
            if (event.xexpose.count == 0) box_draw(box);
            break;
        case KeyPress:
            answer = box_key(box, event.xkey);
            break;
        case KeyRelease:
            forget_held_key(box, event.xkey.keycode);
            break;
        case ButtonPress:
        case ButtonRelease:
            answer = box_click(box, event.xbutton);
            break;
        case ClientMessage:
            if (is_close_request(box, event.xclient)) answer = MESSAGE_BOX_FAILED;
            break;
        case DestroyNotify: // destroyed by another client: nothing left to answer
            if (event.xdestroywindow.window == box.window) answer = MESSAGE_BOX_FAILED;
            break;
        }
        if (answer >= 0) return answer;
    }
}

} // namespace

int xlib_message_box(const char* text, const char* caption, int buttons, bool system_modal) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return MESSAGE_BOX_FAILED;
    XExtCodes* codes = XAddExtension(display);
    if (!codes) {
        XCloseDisplay(display);
        return MESSAGE_BOX_FAILED;
    }
    XESetError(display, codes->extension, drop_error);
    // Repeats of a held key come as presses alone, so that the held-key rule can see them.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    int answer = MESSAGE_BOX_FAILED;
    XFontStruct* font = XLoadQueryFont(display, "fixed");
    if (font) {
        bool yes_no = buttons == MESSAGE_BOX_YES_NO;
        BoxWindow box{};
        box.display = display;
        box.font = font;
        box.lines = split_lines(text ? text : "");
        box.buttons = yes_no ? yes_no_buttons : ok_buttons;
        box.button_count = yes_no ? 2 : 1;
        box.escape_answer = yes_no ? MESSAGE_BOX_NO : MESSAGE_BOX_ANSWER_OK;
        box.pressed = -1;
        box_measure(box);
        box_create(box, caption ? caption : "", system_modal);
        answer = box_run(box);
        give_back_focus(box);
        XFreeGC(display, box.gc);
        XDestroyWindow(display, box.window);
        XFreeFont(display, font);
    }
    XCloseDisplay(display);
    return answer;
}

void message_box_set_owner_window(unsigned long window) {
    owner_window.store(window);
}
