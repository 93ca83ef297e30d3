// The process: its executable's folder, the working directory, floating-point precision, the
// arithmetic-fault signal and the immediate end.
#pragma once

#include <string>

// Prepares the process for the platform layer before anything else runs: Xlib is used from
// several threads (the window on the main thread, key states on the display thread, message
// boxes on the program thread), each on a connection of its own.
void platform_init();

// The full path of the running executable, or an empty string when it cannot be found.
std::string platform_executable_path();
bool platform_set_working_directory(const std::string& path);

// Sets the x87 precision control of the calling thread to a 64-bit mantissa.
void platform_set_extended_precision();

// Installs handler for the arithmetic-fault signal (integer division by zero).
void platform_install_fault_handler(void (*handler)(int));

// Ends the process with `code` at once: no static destructors, no atexit handlers.
[[noreturn]] void platform_exit(int code);
