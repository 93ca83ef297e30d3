#include "runtime/command_line.h"

#include "runtime/files.h"
#include "runtime/strings.h"

#include <cstring>

DynString* command_line;

void command_line_build(int argc, char** argv) {
    size_t total = 0;
    for (int i = 1; i < argc; ++i) total += strlen(argv[i]) + (i > 1 ? 1 : 0);
    command_line = dstr_new(uint32_t(total), 0);
    uint8_t* out = command_line->data;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) *out++ = ' ';
        size_t n = strlen(argv[i]);
        memcpy(out, argv[i], n);
        out += n;
    }
}
