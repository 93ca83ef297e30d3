#include "runtime/files.h"

#include <cstdio>
#include <vector>

namespace {
// Slot 0 is never used, so that 0 can mean "no handle".
std::vector<FILE*> open_files;
} // namespace

void files_init() {
    open_files.assign(1, nullptr);
}

void files_close_all() {
    for (int32_t h = 1; h < int32_t(open_files.size()); ++h) file_close(h);
}

int32_t file_open_binary_read(const char* path) {
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return 0;
    if (open_files.empty()) open_files.push_back(nullptr);
    for (size_t h = 1; h < open_files.size(); ++h) {
        if (open_files[h] == nullptr) {
            open_files[h] = f;
            return int32_t(h);
        }
    }
    open_files.push_back(f);
    return int32_t(open_files.size() - 1);
}

namespace {
FILE* file_of(int32_t handle) {
    if (handle <= 0 || handle >= int32_t(open_files.size())) return nullptr;
    return open_files[size_t(handle)];
}
} // namespace

size_t file_read(int32_t handle, void* into, size_t bytes) {
    FILE* f = file_of(handle);
    return f != nullptr ? fread(into, 1, bytes, f) : 0;
}

int64_t file_size(int32_t handle) {
    FILE* f = file_of(handle);
    if (f == nullptr) return -1;
    long here = ftell(f);
    if (here < 0 || fseek(f, 0, SEEK_END) != 0) return -1;
    long end = ftell(f);
    fseek(f, here, SEEK_SET);
    return end;
}

void file_close(int32_t handle) {
    FILE* f = file_of(handle);
    if (f == nullptr) return;
    fclose(f);
    open_files[size_t(handle)] = nullptr;
}

bool file_delete(const char* path) {
    return remove(path) == 0;
}
