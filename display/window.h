// The window: created on the main thread, which then runs the window system's event loop.
#pragma once

// Creates the window, registers the callbacks and runs the event loop. Does not return.
void window_run(int argc, char** argv);
