#include "display/window.h"

#include "platform/threads.h"

// Until the window exists the main thread waits in its place; the process ends in the display
// thread.
void window_run(int, char**) {
    for (;;) platform_sleep_ms(1000);
}
