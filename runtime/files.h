// Numbered file handles. The game opens none; the runtime needs only what start-up and the end
// ask of it: an empty table at start-up, closing every open handle, and reading the chain-state
// file once (open for binary reading, read, close, delete).
#pragma once

#include <cstddef>
#include <cstdint>

void files_init();
void files_close_all();

// Opens `path` for binary reading; the handle number, or 0 when it cannot be opened.
int32_t file_open_binary_read(const char* path);
// Reads up to `bytes` bytes; the number read.
size_t file_read(int32_t handle, void* into, size_t bytes);
// The size of the open file in bytes, or -1.
int64_t file_size(int32_t handle);
void file_close(int32_t handle);
bool file_delete(const char* path);
