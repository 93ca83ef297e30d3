// The X11 layer beneath the window toolkit: what the game window needs from the X server that the
// toolkit does not do, added on the toolkit's own connection.
// - A close request for the window (the window manager's WM_DELETE_WINDOW message) is taken before
//   the toolkit sees it, so the window is never destroyed; the handler is told instead.
// - Presses and releases of the Pause key are taken the same way and reported as Pause, or as
//   Break when Control was held at the press (the release is reported as what its press was).
// - Exposure of the window is reported (and still passed on), so that its picture is redrawn.
// - The window's size is fixed through its size hints, so that the window manager gives it no
//   sizing border and keeps it at that size.
//
// The handlers run inside Xlib, on the thread that reads the toolkit's connection, while Xlib
// holds its lock: they must make no Xlib call.
#pragma once

struct _XDisplay;

struct X11WindowHandlers {
    void (*close_request)();
    void (*pause_key)(bool is_break, bool press);
    void (*exposed)();
};

// Hooks the window's events on `display` (the toolkit's connection): installs the event
// converters, each after the one already there, then takes a close request that arrived before
// them out of the queue. Call once, after the window exists. False when the display is missing.
bool x11_hooks_install(_XDisplay* display, unsigned long window, const X11WindowHandlers& handlers);

// Fixes the window's size at width by height: its minimum and maximum size hints both become that
// size. The first call also withdraws and re-maps the window, so that the window manager takes
// the hints afresh and drops its sizing handle. A call with the size already fixed does nothing.
void x11_fix_window_size(_XDisplay* display, unsigned long window, int width, int height);
