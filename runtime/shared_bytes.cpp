#include "runtime/shared_bytes.h"

#include <cstring>

void shared_read_cells(uint8_t* to, const uint8_t* shared_from, size_t bytes) {
    for (size_t i = 0; i < bytes; i += 2) {
        uint16_t cell = shared_load_cell(shared_from + i);
        memcpy(to + i, &cell, 2);
    }
}

void shared_write_cells(uint8_t* shared_to, const uint8_t* from, size_t bytes) {
    for (size_t i = 0; i < bytes; i += 2) {
        uint16_t cell;
        memcpy(&cell, from + i, 2);
        shared_store_cell(shared_to + i, cell);
    }
}

void shared_move_cells(uint8_t* shared_to, const uint8_t* shared_from, size_t bytes) {
    if (shared_to < shared_from) {
        for (size_t i = 0; i < bytes; i += 2)
            shared_store_cell(shared_to + i, shared_load_cell(shared_from + i));
    } else {
        for (size_t i = bytes; i > 0; i -= 2)
            shared_store_cell(shared_to + i - 2, shared_load_cell(shared_from + i - 2));
    }
}

void shared_fill_cells(uint8_t* shared_to, uint16_t cell, size_t count) {
    for (size_t i = 0; i < count; ++i) shared_store_cell(shared_to + 2 * i, cell);
}
