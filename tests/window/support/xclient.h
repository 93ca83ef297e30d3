// The test's own view of the private X server: finding the windows a program opened, reading
// their titles, places and pictures, and pressing keys and buttons through XTest as a player would.
// Include it after <gtest/gtest.h>: Xlib defines None and Bool as macros, which GoogleTest's own
// headers cannot stand.
#pragma once

#include "tests/window/support/xserver.h"

#include <X11/Xlib.h>
#include <cstdint>
#include <string>
#include <vector>

// Opens a connection to the server for the test. Errors on it (a window that went away while the
// test looked at it) are ignored rather than ending the test process. Close with XCloseDisplay.
Display* xclient_open(const XServer& server);

// ---- Windows -------------------------------------------------------------------------------

// The window's title: _NET_WM_NAME, else WM_NAME; empty when it has neither.
std::string xwin_title(Display* display, Window window);

// A text property of the window (WM_NAME, _NET_WM_NAME, WM_CLASS...), as stored; empty when it
// is missing.
std::string xwin_text_property(Display* display, Window window, const char* property);

// The names of the atoms in an atom-list property such as _NET_WM_STATE or _NET_WM_WINDOW_TYPE.
std::vector<std::string> xwin_atom_names(Display* display, Window window, const char* property);

// Waits at most timeout_ms for a window whose title is `title`, searching the whole tree (a
// window manager puts client windows inside frames). None when there is none by then.
Window xwin_find_by_title(Display* display, const std::string& title, int timeout_ms);

// The same, for the window whose _NET_WM_PID is `pid` (FreeGLUT sets it on its window).
Window xwin_find_by_pid(Display* display, long pid, int timeout_ms);

// The window that has the input focus (None, PointerRoot or a window).
Window xwin_focus(Display* display);

struct WindowGeometry {
    int x; // the client area's top-left corner on the screen
    int y;
    int width;
    int height;
    int map_state; // IsUnmapped, IsUnviewable or IsViewable
};

bool xwin_geometry(Display* display, Window window, WindowGeometry& geometry);

// Asks `window` to close as a window manager does: a WM_DELETE_WINDOW message of WM_PROTOCOLS.
void xwin_send_close_request(Display* display, Window window);

// ---- Pictures ------------------------------------------------------------------------------

// A window's client area as the screen shows it: width x height pixels, row by row from the
// top-left, each 0xRRGGBB.
struct WindowCapture {
    int width;
    int height;
    int map_state;
    std::vector<uint32_t> pixels;
};

inline uint32_t capture_pixel(const WindowCapture& capture, int x, int y) {
    return capture.pixels[size_t(y) * size_t(capture.width) + size_t(x)];
}

// Captures the window's client area with XGetImage (24 or 32 bits per pixel). Size and map state
// are filled in any case; the pixels only when the window is viewable, and then it returns true.
bool xwin_capture(Display* display, Window window, WindowCapture& capture);

// Reading the game's 80x25 text screen out of a capture (every 8x16 cell matched against the
// program's own glyph tables and palette, giving characters and colours) belongs next to this,
// in support/screen_reader.h/.cpp, built together with the window; CMake picks up every .cpp in
// support/ by itself.

// ---- Keys and buttons through XTest --------------------------------------------------------

enum XTestModifier { XTEST_SHIFT = 1, XTEST_CONTROL = 2, XTEST_ALT = 4 };

// Presses and releases the key of `keysym` (XK_Return, XK_a, XK_F1, XK_Pause...), with the
// modifiers (XTEST_ bits) held around it. False when the keyboard map has no such key. Each event
// is synchronised with the server and followed by a short pause, so that the receiving program
// sees them as separate events in order.
bool xtest_key(Display* display, unsigned long keysym, unsigned modifiers = 0);

// Presses, or releases, one key and leaves it there: for keys held across other events.
bool xtest_key_down(Display* display, unsigned long keysym);
bool xtest_key_up(Display* display, unsigned long keysym);

// Types text: letters (capitals with Shift), digits, space, and '\n' as Return. False at the
// first character it cannot type.
bool xtest_type(Display* display, const std::string& text);

// Moves the pointer to a point of the screen, and clicks a mouse button there.
void xtest_move_pointer(Display* display, int x, int y);
void xtest_click(Display* display, int x, int y, unsigned button = 1);
