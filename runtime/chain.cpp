#include "runtime/chain.h"

#include "platform/process.h"
#include "runtime/command_line.h"
#include "runtime/files.h"
#include "runtime/shared_bytes.h"
#include "runtime/strings.h"
#include "screen/images.h"
#include "screen/text.h"

#include <algorithm>

#include <cstring>

namespace {

constexpr char CHAIN_MARKER[] = "(unique-tag:=/@*$+-)chain"; // 25 characters
constexpr size_t MARKER_LENGTH = 32;  // the marker and the rest of the file name
constexpr size_t FILE_NAME_LENGTH = 12; // "chain" ... ".tmp"
constexpr int64_t CHAIN_FILE_LIMIT = 1 << 20;

enum : int32_t {
    CHAIN_TEXT_SIZE = 256,
    CHAIN_PAGE_CELLS,
    CHAIN_TEXT_COLOURS,
    CHAIN_COLOURS,
    CHAIN_CURSOR,
    CHAIN_PRINT_WINDOW,
    CHAIN_DESTINATION,
};

// A reader over the file's bytes that never reads past the end.
struct ChainReader {
    const uint8_t* bytes;
    size_t size;
    size_t at;
};

bool read_int(ChainReader* r, int32_t* value) {
    if (r->size - r->at < 4) return false;
    memcpy(value, r->bytes + r->at, 4);
    r->at += 4;
    return true;
}

bool read_bytes(ChainReader* r, int32_t count, const uint8_t** start) {
    if (count < 0 || r->size - r->at < size_t(count)) return false;
    *start = r->bytes + r->at;
    r->at += size_t(count);
    return true;
}

int32_t int_at(const ChainRecord& record, size_t index) {
    int32_t value;
    memcpy(&value, record.data.data() + 4 * index, 4);
    return value;
}

bool within(int32_t value, int32_t low, int32_t high) {
    return value >= low && value <= high;
}

// Whether a record's length and numbers fit its code.
bool record_valid(const ChainRecord& r) {
    size_t n = r.data.size();
    switch (r.code) {
    case CHAIN_TEXT_SIZE:
        return n == 8 && within(int_at(r, 0), 1, 255) && within(int_at(r, 1), 1, 255);
    case CHAIN_PAGE_CELLS:
        return n >= 4 && n % 2 == 0 && within(int_at(r, 0), 0, 7);
    case CHAIN_TEXT_COLOURS:
        return n == 64;
    case CHAIN_COLOURS:
        return n == 8 && within(int_at(r, 0), 0, 31) && within(int_at(r, 1), 0, 7);
    case CHAIN_CURSOR:
        return n == 20 && within(int_at(r, 2), 0, 1) && within(int_at(r, 3), 0, 31) &&
               within(int_at(r, 4), 0, 31);
    case CHAIN_PRINT_WINDOW:
        return n == 8;
    case CHAIN_DESTINATION:
        return n == 4 && within(int_at(r, 0), 0, 7);
    default:
        return false;
    }
}

// Restores one checked record through the screen's own operations.
void apply_record(const ChainRecord& r) {
    switch (r.code) {
    case CHAIN_TEXT_SIZE:
        scr_width(0, int_at(r, 0), int_at(r, 1), 3);
        break;
    case CHAIN_PAGE_CELLS: {
        int32_t slot = img_page(int_at(r, 0));
        if (slot == 0) break;
        ImageRecord* page = &ImageTable.records[slot];
        size_t bytes = std::min(r.data.size() - 4, size_t(page->width) * page->height * 2);
        shared_write_cells(page->data, r.data.data() + 4, bytes);
        break;
    }
    case CHAIN_TEXT_COLOURS:
        // The display thread reads the palettes without a lock: it is held off meanwhile.
        img_hold_display();
        for (int32_t p = 0; p < PageTable.count; ++p)
            if (PageTable.slots[p] != 0)
                memcpy(ImageTable.records[PageTable.slots[p]].palette, r.data.data(), 64);
        img_release_display();
        break;
    case CHAIN_COLOURS:
        scr_color(int_at(r, 0), int_at(r, 1), 0, 3);
        break;
    case CHAIN_CURSOR:
        scr_locate(int_at(r, 0), int_at(r, 1), int_at(r, 2), int_at(r, 3), int_at(r, 4), 31);
        break;
    case CHAIN_PRINT_WINDOW:
        scr_view_print(int_at(r, 0), int_at(r, 1), 1);
        break;
    case CHAIN_DESTINATION:
        scr_set_dest(int_at(r, 0));
        break;
    }
}

// Reads the whole file, or nothing.
bool read_whole_file(const std::string& path, std::vector<uint8_t>* bytes) {
    int32_t handle = file_open_binary_read(path.c_str());
    if (handle == 0) return false;
    int64_t size = file_size(handle);
    bool whole = size >= 0 && size <= CHAIN_FILE_LIMIT;
    if (whole) {
        bytes->resize(size_t(size));
        whole = file_read(handle, bytes->data(), bytes->size()) == bytes->size();
    }
    file_close(handle);
    return whole;
}

bool ends_with_marker(const DynString* line) {
    if (line == nullptr || size_t(line->len) < MARKER_LENGTH) return false;
    const uint8_t* tail = line->data + line->len - MARKER_LENGTH;
    return memcmp(line->data + line->len - 4, ".tmp", 4) == 0 &&
           memcmp(tail, CHAIN_MARKER, sizeof CHAIN_MARKER - 1) == 0;
}

} // namespace

bool chain_parse(const uint8_t* bytes, size_t size, ChainState* state) {
    ChainReader r{bytes, size, 0};
    int32_t version, directory_length;
    const uint8_t* directory;
    if (!read_int(&r, &version) || version != 1 || !read_int(&r, &directory_length) ||
        !read_bytes(&r, directory_length, &directory))
        return false;
    state->directory.assign(reinterpret_cast<const char*>(directory), size_t(directory_length));
    if (state->directory.find('\0') != std::string::npos) return false;
    state->records.clear();
    while (r.at < r.size) {
        ChainRecord record;
        int32_t length;
        const uint8_t* data;
        if (!read_int(&r, &record.code) || !read_int(&r, &length) ||
            !read_bytes(&r, length, &data))
            return false;
        record.data.assign(data, data + length);
        if (!record_valid(record)) return false;
        state->records.push_back(std::move(record));
    }
    return true;
}

void chain_restore_check() {
    if (!ends_with_marker(command_line)) return;
    std::string path(reinterpret_cast<const char*>(command_line->data) + command_line->len -
                         FILE_NAME_LENGTH,
                     FILE_NAME_LENGTH);
    std::vector<uint8_t> bytes;
    ChainState state;
    if (!read_whole_file(path, &bytes) || !chain_parse(bytes.data(), bytes.size(), &state))
        return;
    file_delete(path.c_str());
    if (!state.directory.empty()) platform_set_working_directory(state.directory);
    for (const ChainRecord& record : state.records) apply_record(record);
    // The marker and the blank before it leave the command line.
    int32_t kept = command_line->len - int32_t(MARKER_LENGTH);
    if (kept > 0 && command_line->data[kept - 1] == ' ') --kept;
    command_line->len = kept;
}
