// The window: created on the main thread, which then runs the window system's event loop. Every
// window callback runs on the main thread. The window's client area follows the size of the
// frames it shows (640 by 400 for the 80 by 25 screen); its size is fixed, a close request keeps
// it open until the process ends, and the Pause and Break keys reach the keyboard through
// window_event_hook.
#pragma once

#include <cstdint>

// Creates the window titled "Untitled", registers the callbacks and runs the event loop. Does not
// return: the process ends in the display thread.
void window_run(int argc, char** argv);

// The display callback: draws the newest frame when it has not been drawn yet (or the window was
// resized or exposed) and swaps the buffers, unless the Pause key holds the program. A frame of
// another size than the window first makes the window take the frame's size.
void present_frame();

// The timer callback: asks for a redisplay every 8 ms.
void present_tick(int value);

// The reshape callback: records the client area's new size.
void window_resized(int width, int height);

// Window events other than the toolkit's callbacks. Kind 1, a close request: asks for the orderly
// end (bit 0 of exit_requests). Kind 2, a key transition of Pause (100019) or Break (100318): a
// press when b > 0, else a release. Kind 3, relative mouse movement: nothing to do. Returns 0, or
// -1 for any other kind or key.
int32_t window_event_hook(int32_t kind, int32_t a, int32_t b);
