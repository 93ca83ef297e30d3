#include "display/window.h"

#include "display/frames.h"
#include "display/keyboard.h"
#include "platform/message_box.h"
#include "platform/threads.h"
#include "platform/x11_hooks.h"
#include "runtime/flags.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <cstdlib>

namespace {

constexpr int WINDOW_WIDTH = 1024; // the size the window is created with, before the first frame
constexpr int WINDOW_HEIGHT = 552;
// Without a window manager the window would otherwise be placed at (-1, -1).
constexpr int WINDOW_LEFT = 64;
constexpr int WINDOW_TOP = 64;
constexpr unsigned PRESENT_INTERVAL_MS = 8;

enum WindowEventKind { EVENT_CLOSE = 1, EVENT_KEY = 2, EVENT_MOUSE_MOVE = 3 };

// Window state, main thread only.
struct WindowSize {
    int32_t width;
    int32_t height;
};
WindowSize window_size = {640, 400}; // as last reported to window_resized
uint8_t resized = 0;                 // set by window_resized, cleared by present_frame
// The newest frame must be drawn again although it was drawn: the window's picture was damaged,
// or the last drawing followed a resize. OpenGL's buffers take a new window size only at a swap,
// so the first drawing after a resize may still land in buffers of the old size.
uint8_t redraw = 0;

Display* window_display = nullptr; // the toolkit's connection and the window on it
Window window_id = 0;

void on_close_request() {
    window_event_hook(EVENT_CLOSE, 0, 0);
}

void on_pause_key(bool is_break, bool press) {
    window_event_hook(EVENT_KEY, is_break ? KEY_BREAK : KEY_PAUSE, press ? 1 : -1);
}

void on_exposed() {
    redraw = 1;
}

// The game reads no mouse state: these take the toolkit's mouse events and do nothing.
void mouse_button_ignored(int, int, int, int) {}
void mouse_motion_ignored(int, int) {}

// What the toolkit lacks: the close request, Pause and Break, the fixed frame.
void install_x11_layer() {
    window_display = glXGetCurrentDisplay();
    window_id = glXGetCurrentDrawable();
    x11_hooks_install(window_display, window_id, {on_close_request, on_pause_key, on_exposed});
    x11_fix_window_size(window_display, window_id, WINDOW_WIDTH, WINDOW_HEIGHT);
    message_box_set_owner_window(window_id);
}

// One frame pixel per window pixel, the frame's top row at the top of the window.
void draw_frame(const DisplayFrame& frame) {
    for (GLenum capability :
         {GL_TEXTURE_2D, GL_ALPHA_TEST, GL_BLEND, GL_COLOR_MATERIAL, GL_DEPTH_TEST, GL_LIGHTING})
        glDisable(capability);
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, window_size.width, window_size.height);
    glOrtho(0, window_size.width, window_size.height, 0, -1, 1);
    glRasterPos2f(0, 0);
    glPixelZoom(1, -1);
    glDrawPixels(frame.width, frame.height, GL_BGRA, GL_UNSIGNED_BYTE, frame.pixels);
}

} // namespace

void window_run(int argc, char** argv) {
    // Mesa's software renderer, where there is no graphics hardware, splits each drawing among
    // threads of its own; for one 640 by 400 picture the hand-overs cost more than they save.
    // A choice made by whoever starts the program is kept.
    setenv("LP_NUM_THREADS", "0", 0);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    glutInitWindowPosition(WINDOW_LEFT, WINDOW_TOP);
    glutCreateWindow("Untitled");
    install_x11_layer();
    glutDisplayFunc(present_frame);
    glutTimerFunc(PRESENT_INTERVAL_MS, present_tick, 0);
    glutKeyboardFunc(char_key_pressed);
    glutKeyboardUpFunc(char_key_released);
    glutSpecialFunc(special_key_pressed);
    glutSpecialUpFunc(special_key_released);
    glutMouseFunc(mouse_button_ignored);
    glutMotionFunc(mouse_motion_ignored);
    glutPassiveMotionFunc(mouse_motion_ignored);
    glutMouseWheelFunc(mouse_button_ignored);
    glutReshapeFunc(window_resized);
    glutMainLoop();
    // The loop is not expected to return; should it, the display thread ends the process.
    window_event_hook(EVENT_CLOSE, 0, 0);
    for (;;) platform_sleep_ms(1000);
}

void present_frame() {
    if (frame_ring.first_pending.load(std::memory_order_acquire) == 0) return;
    int32_t newest = frame_ring.newest.load(std::memory_order_acquire);
    display_release_older(newest);
    DisplayFrame& frame = frame_ring.slots[newest];
    if (frame.drawn.load() && !resized && !redraw) return;
    bool after_resize = resized != 0;
    resized = 0;
    if (frame.width != window_size.width || frame.height != window_size.height) {
        x11_fix_window_size(window_display, window_id, frame.width, frame.height);
        glutReshapeWindow(frame.width, frame.height);
        glutPostRedisplay();
        return;
    }
    // While the Pause key holds the program the window keeps its picture; the newest frame stays
    // undrawn, so that it is shown as soon as the pause ends.
    if (pause_active.load() != 0) return;
    frame.drawn.store(1, std::memory_order_release);
    redraw = after_resize;
    draw_frame(frame);
    display_release_older(frame_ring.newest.load(std::memory_order_acquire));
    glutSwapBuffers();
}

void present_tick(int) {
    glutPostRedisplay();
    glutTimerFunc(PRESENT_INTERVAL_MS, present_tick, 0);
}

void window_resized(int width, int height) {
    window_size = {width, height};
    resized = 1;
}

int32_t window_event_hook(int32_t kind, int32_t a, int32_t b) {
    switch (kind) {
    case EVENT_CLOSE:
        exit_requests.store(exit_requests.load() | 1);
        return 0;
    case EVENT_KEY:
        if (a != KEY_PAUSE && a != KEY_BREAK) return -1;
        if (b > 0)
            key_down(a);
        else
            key_up(a);
        return 0;
    case EVENT_MOUSE_MOVE:
        return 0;
    default:
        return -1;
    }
}
