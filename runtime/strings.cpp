// Dynamic strings, the string space, temporaries, variable storage and memory locks.
#include "runtime/strings.h"

#include "runtime/errors.h"
#include "runtime/flags.h"
#include "runtime/low_memory.h"
#include "runtime/statements.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

DynString* print_empty_string;
DynString* print_blank_string;

namespace {

constexpr int32_t RECORD_BLOCK_SIZE = 65536;
constexpr int32_t FIRST_FREE_RECORDS_CAPACITY = 65536;
constexpr int32_t FIRST_LIST_CAPACITY = 65535;
constexpr uint32_t FIRST_TEMP_CAPACITY = 65535;
constexpr size_t FIRST_SPACE_SIZE = size_t(1) << 20;
constexpr size_t SPARE_BYTES = 32;
// Longer values would not fit the 32-bit length with their spare bytes.
constexpr uint32_t MAX_STRING_LEN = INT32_MAX - 64;

constexpr size_t LOW_DATA_START = 256;
constexpr size_t LOW_FIRST_DESCRIPTOR_TOP = 65528;

constexpr size_t FIRST_VAR_BLOCK_SIZE = size_t(1) << 20;
constexpr size_t VAR_ALIGN = 16;

constexpr int32_t LOCK_BLOCK_SIZE = 10000;
constexpr int32_t FIRST_LOCK_FREE_CAPACITY = 1000;
// A lock-pool growth failure has no code of its own: it is reported as running out of memory.
constexpr ErrorCode LOCK_POOL_ERROR = 257;

// One list of strings of an area, in ascending order of data; capacity + 1 slots are allocated.
struct StringList {
    DynString** slots;
    int32_t count;
    int32_t capacity;
    ErrorCode grow_error;
};

// Descriptor records: blocks handed out in order, and the stack of released records.
DynString* record_block;
int32_t record_block_used = RECORD_BLOCK_SIZE; // used up: the first record allocates a block
DynString** free_records;
int32_t free_record_count;
int32_t free_record_capacity = FIRST_FREE_RECORDS_CAPACITY;

// The string space and its list.
uint8_t* space_start;
size_t space_size = FIRST_SPACE_SIZE;
size_t space_used;
StringList space_list = {nullptr, 0, FIRST_LIST_CAPACITY, 510};
int64_t compaction_count;
int64_t growth_count;

// The TempStringStack; slot 0 is never used.
DynString** temp_slots;
uint32_t temp_top = 1;
uint32_t temp_capacity = FIRST_TEMP_CAPACITY;

// The low-memory string area: data grows up from offset 256, descriptors down from the top.
StringList low_list = {nullptr, 0, FIRST_LIST_CAPACITY, 509};
size_t low_used = LOW_DATA_START;
size_t low_descriptor_top = LOW_FIRST_DESCRIPTOR_TOP;

// Variable storage.
uint8_t* var_base;
uint8_t* var_pos;
uint8_t* var_end;
size_t var_block_size = FIRST_VAR_BLOCK_SIZE;

// The memory-lock pool.
MemLock* lock_block;
int32_t lock_block_used = LOCK_BLOCK_SIZE;
MemLock** free_locks;
int32_t free_lock_count;
int32_t free_lock_capacity = FIRST_LOCK_FREE_CAPACITY;
uint64_t lock_id_counter = 1073741823;

bool tables_ready;

// What empty strings that have no bytes of their own point at.
uint8_t no_bytes[1];

DynString* dead_slot() {
    return reinterpret_cast<DynString*>(intptr_t(-1));
}

bool is_dead(const DynString* slot) {
    return slot == dead_slot();
}

uint8_t* low_start() {
    return LowMemory + LOW_STRING_AREA;
}

[[noreturn]] void growth_failed(ErrorCode code) {
    rt_error(code);
    rt_exit_process(1); // not reached: rt_error ends the process for every growth code
}

void* allocate_or_fail(size_t bytes, ErrorCode code) {
    void* p = malloc(bytes);
    if (p == nullptr) growth_failed(code);
    return p;
}

// The string tables exist from program load. A string made by another file's static initialiser
// before this file's has run creates them on the spot.
void string_tables_init() {
    if (tables_ready) return;
    tables_ready = true;
    free_records = static_cast<DynString**>(
        allocate_or_fail(size_t(free_record_capacity) * sizeof(DynString*), 508));
    space_start = static_cast<uint8_t*>(allocate_or_fail(space_size, 512));
    space_list.slots = static_cast<DynString**>(
        allocate_or_fail(size_t(space_list.capacity + 1) * sizeof(DynString*), 510));
    low_list.slots = static_cast<DynString**>(
        allocate_or_fail(size_t(low_list.capacity + 1) * sizeof(DynString*), 509));
    temp_slots = static_cast<DynString**>(
        allocate_or_fail(size_t(temp_capacity + 1) * sizeof(DynString*), 511));
    temp_slots[0] = nullptr;
    free_locks = static_cast<MemLock**>(
        allocate_or_fail(size_t(free_lock_capacity) * sizeof(MemLock*), LOCK_POOL_ERROR));
}

[[maybe_unused]] const bool tables_made_at_load = (string_tables_init(), true);

// Doubles a table of pointers whose capacity is counted without its extra slot.
template <typename T>
void double_table(T**& table, int64_t& capacity, int64_t extra, ErrorCode code) {
    int64_t doubled = capacity * 2;
    if (doubled > INT32_MAX) growth_failed(code);
    void* grown = realloc(table, size_t(doubled + extra) * sizeof(T*));
    if (grown == nullptr) growth_failed(code);
    table = static_cast<T**>(grown);
    capacity = doubled;
}

// --- Records ------------------------------------------------------------------------------------

// The next record of the current block, a new block when it is used up.
[[gnu::noinline]] DynString* take_block_record() {
    if (!tables_ready) string_tables_init();
    if (record_block_used == RECORD_BLOCK_SIZE) {
        record_block = static_cast<DynString*>(
            allocate_or_fail(size_t(RECORD_BLOCK_SIZE) * sizeof(DynString), 508));
        record_block_used = 0;
    }
    return &record_block[record_block_used++];
}

DynString* take_record() {
    DynString* s = free_record_count > 0 ? free_records[--free_record_count] : take_block_record();
    *s = DynString{};
    s->list_index = -1;
    return s;
}

[[gnu::noinline]] void grow_free_records() {
    int64_t capacity = free_record_capacity;
    double_table(free_records, capacity, 0, 508);
    free_record_capacity = int32_t(capacity);
}

void release_record(DynString* s) {
    if (free_record_count == free_record_capacity) grow_free_records();
    free_records[free_record_count++] = s;
}

// --- Lists --------------------------------------------------------------------------------------

// Moves the live slots down over the dead ones, keeping their order; doubles the list when it is
// still at least half full.
[[gnu::noinline]] void squeeze_list(StringList& list) {
    int32_t live = 0;
    for (int32_t i = 0; i < list.count; ++i) {
        DynString* s = list.slots[i];
        if (is_dead(s)) continue;
        s->list_index = live;
        list.slots[live++] = s;
    }
    list.count = live;
    if (int64_t(live) * 2 < list.capacity) return;
    int64_t capacity = list.capacity;
    double_table(list.slots, capacity, 1, list.grow_error);
    list.capacity = int32_t(capacity);
}

void list_append(StringList& list, DynString* s) {
    if (list.count > list.capacity) squeeze_list(list);
    s->list_index = list.count;
    list.slots[list.count++] = s;
}

void list_kill_slot(StringList& list, const DynString* s) {
    if (s->list_index >= 0) list.slots[s->list_index] = dead_slot();
}

// The first live string after slot `index`, passing over `skip` (a temporary source), or null.
DynString* next_live_after(const StringList& list, int32_t index, const DynString* skip) {
    for (int32_t i = index + 1; i < list.count; ++i) {
        DynString* s = list.slots[i];
        if (!is_dead(s) && s != skip) return s;
    }
    return nullptr;
}

// --- The TempStringStack ------------------------------------------------------------------------

[[gnu::noinline]] void grow_temp_stack() {
    int64_t capacity = temp_capacity;
    double_table(temp_slots, capacity, 1, 511);
    temp_capacity = uint32_t(capacity);
}

void temp_push(DynString* s) {
    if (temp_top > temp_capacity) grow_temp_stack();
    temp_slots[temp_top] = s;
    s->temp_index = int32_t(temp_top);
    s->is_temp = 1;
    temp_top += 1;
}

// Takes s off the stack; the top comes down over the dead slots left on it.
void temp_remove(DynString* s) {
    temp_slots[s->temp_index] = dead_slot();
    s->temp_index = 0;
    s->is_temp = 0;
    while (temp_top > 1 && is_dead(temp_slots[temp_top - 1])) temp_top -= 1;
}

// --- The string space ---------------------------------------------------------------------------

void rebase_live_strings(uint8_t* old_start, uint8_t* new_start) {
    for (int32_t i = 0; i < space_list.count; ++i) {
        DynString* s = space_list.slots[i];
        if (!is_dead(s)) s->data = new_start + (s->data - old_start);
    }
}

// Grows the space to request + twice its size; the live strings move with it.
void grow_space(size_t request) {
    size_t new_size = request + 2 * space_size;
    uint8_t* grown = static_cast<uint8_t*>(malloc(new_size));
    if (grown == nullptr) growth_failed(512);
    if (space_used > 0) memcpy(grown, space_start, space_used);
    rebase_live_strings(space_start, grown);
    free(space_start);
    space_start = grown;
    space_size = new_size;
    growth_count += 1;
}

// Packs the live strings towards the start of the space, leaving gaps of 32 bytes or less where
// they are, then grows the space unless the request and twice the live data fit with room over.
[[gnu::noinline]] void compact_space(size_t request) {
    compaction_count += 1;
    if (space_list.count > 0) {
        uint8_t* cursor = space_start;
        for (int32_t i = 0; i < space_list.count; ++i) {
            DynString* s = space_list.slots[i];
            if (is_dead(s)) continue;
            if (size_t(s->data - cursor) > SPARE_BYTES) {
                if (s->len > 0) memmove(cursor, s->data, size_t(s->len));
                s->data = cursor;
            }
            cursor = s->data + s->len;
        }
        space_used = size_t(cursor - space_start);
    }
    if (request + 2 * space_used + SPARE_BYTES < space_size) return;
    grow_space(request);
}

// After a free: dead slots leave the end of the list and space_used ends 32 bytes after the last
// live string.
void trim_space_list() {
    while (space_list.count > 0 && is_dead(space_list.slots[space_list.count - 1]))
        space_list.count -= 1;
    if (space_list.count == 0) {
        space_used = 0;
        return;
    }
    const DynString* last = space_list.slots[space_list.count - 1];
    size_t end = size_t(last->data - space_start) + size_t(last->len) + SPARE_BYTES;
    space_used = end < space_size ? end : space_size;
}

// --- The low-memory area ------------------------------------------------------------------------

void store_descriptor(const DynString* s) {
    if (s->low_descriptor == nullptr) return;
    uint16_t len = uint16_t(s->len);
    uint16_t offset = uint16_t(s->data - low_start());
    memcpy(s->low_descriptor, &len, 2);
    memcpy(s->low_descriptor + 2, &offset, 2);
}

// Packs the live low-memory strings from offset 256 up, without gaps.
void compact_low() {
    uint8_t* cursor = low_start() + LOW_DATA_START;
    for (int32_t i = 0; i < low_list.count; ++i) {
        DynString* s = low_list.slots[i];
        if (is_dead(s)) continue;
        if (s->data != cursor) {
            if (s->len > 0) memmove(cursor, s->data, size_t(s->len));
            s->data = cursor;
            store_descriptor(s);
        }
        cursor += s->len;
    }
    low_used = size_t(cursor - low_start());
}

void ensure_low_room(size_t len) {
    if (low_used + len <= low_descriptor_top) return;
    compact_low();
    if (low_used + len > low_descriptor_top) growth_failed(513);
}

// --- Assignment ---------------------------------------------------------------------------------

// The bytes of s go back to their area; the record stays.
void release_bytes(const DynString* s) {
    if (s->is_fixed || s->is_readonly || s->list_index < 0) return;
    if (s->in_low_memory) {
        low_list.slots[s->list_index] = dead_slot();
        if (s->list_index == low_list.count - 1) low_list.count -= 1;
        return;
    }
    space_list.slots[s->list_index] = dead_slot();
    trim_space_list();
}

void copy_bytes(uint8_t* to, const DynString* src) {
    if (src->len > 0) memmove(to, src->data, size_t(src->len));
}

// A fixed-length dest keeps its length: src is cut or padded with blanks.
void assign_fixed(DynString* dest, const DynString* src) {
    int32_t n = src->len < dest->len ? src->len : dest->len;
    if (n > 0) memmove(dest->data, src->data, size_t(n));
    if (dest->len > n) memset(dest->data + n, ' ', size_t(dest->len - n));
}

// A read-only dest points at text it does not own: it becomes an ordinary string with no bytes,
// which the assignment then gives a place of its own.
void detach_readonly(DynString* dest) {
    dest->is_readonly = 0;
    dest->data = no_bytes;
    dest->len = 0;
    dest->list_index = -1;
}

// dest takes over the bytes and the list slot of the owned temporary src, whose record is freed.
void take_over(DynString* dest, DynString* src) {
    list_kill_slot(space_list, dest);
    dest->list_index = src->list_index;
    space_list.slots[src->list_index] = dest;
    temp_slots[src->temp_index] = dead_slot();
    if (uint32_t(src->temp_index) == temp_top - 1) temp_top -= 1;
    dest->data = src->data;
    dest->len = src->len;
    release_record(src);
}

// dest moves to the end of its area with exactly src's length.
void relocate(DynString* dest, const DynString* src) {
    size_t len = size_t(src->len);
    if (dest->in_low_memory) {
        list_kill_slot(low_list, dest);
        ensure_low_room(len);
        list_append(low_list, dest);
        dest->data = low_start() + low_used;
        low_used += len;
    } else {
        list_kill_slot(space_list, dest);
        if (space_used + len > space_size) compact_space(len);
        list_append(space_list, dest);
        dest->data = space_start + space_used;
        space_used += len;
    }
    copy_bytes(dest->data, src);
    dest->len = src->len;
}

// src is longer than dest: dest grows in place while the bytes after it are free, up to the end
// of its area when it is the last string, else up to the next live string; otherwise it moves.
void assign_longer(DynString* dest, const DynString* src) {
    if (dest->list_index < 0) return relocate(dest, src);
    bool low = dest->in_low_memory != 0;
    StringList& list = low ? low_list : space_list;
    uint8_t* area = low ? low_start() : space_start;
    size_t area_end = low ? low_descriptor_top : space_size;
    const DynString* skip = src->is_temp ? src : nullptr;
    DynString* next = next_live_after(list, dest->list_index, skip);
    size_t at = size_t(dest->data - area);
    size_t len = size_t(src->len);
    if (next == nullptr && at + len <= area_end) {
        list.count = dest->list_index + 1;
        copy_bytes(dest->data, src);
        dest->len = src->len;
        (low ? low_used : space_used) = at + len;
        return;
    }
    if (next != nullptr && len <= size_t(next->data - dest->data)) {
        copy_bytes(dest->data, src);
        dest->len = src->len;
        return;
    }
    relocate(dest, src);
}

// a is an owned temporary at the end of the space with room after it for b and its spare bytes:
// b is appended to it in place, as in a chain of concatenations.
bool extends_in_place(const DynString* a, const DynString* b) {
    if (!dstr_is_owned_temp(a) || a->list_index != space_list.count - 1) return false;
    size_t end = size_t(a->data - space_start) + size_t(a->len) + size_t(b->len);
    return end + SPARE_BYTES <= space_size && b->len <= int32_t(MAX_STRING_LEN) - a->len;
}

// --- Memory locks -------------------------------------------------------------------------------

MemLock* take_lock_record() {
    if (free_lock_count > 0) return free_locks[--free_lock_count];
    if (lock_block_used == LOCK_BLOCK_SIZE) {
        lock_block = static_cast<MemLock*>(
            allocate_or_fail(size_t(LOCK_BLOCK_SIZE) * sizeof(MemLock), LOCK_POOL_ERROR));
        lock_block_used = 0;
    }
    return &lock_block[lock_block_used++];
}

// --- The invariant checker ----------------------------------------------------------------------

char violation[160];

const char* report(const char* what, int32_t slot) {
    snprintf(violation, sizeof violation, "%s (slot %d)", what, slot);
    return violation;
}

// A list: live slots point back at themselves, lie inside [first, end) of their area, in
// ascending order without overlap; their temporaries sit in their stack slots.
const char* check_list(const StringList& list, const uint8_t* first, const uint8_t* end,
                       uint8_t in_low_memory, const char* name) {
    if (list.count < 0 || list.count > list.capacity + 1) return report(name, list.count);
    const uint8_t* previous_end = first;
    for (int32_t i = 0; i < list.count; ++i) {
        const DynString* s = list.slots[i];
        if (is_dead(s)) continue;
        if (s == nullptr || s->list_index != i) return report("list slot not -1 nor its string", i);
        if (s->in_low_memory != in_low_memory || s->is_readonly || s->is_fixed)
            return report("string of another kind in the list", i);
        if (s->len < 0) return report("negative length", i);
        if (s->data < previous_end) return report("string out of order or overlapping", i);
        if (s->data > end || s->len > end - s->data) return report("string beyond its area", i);
        if (s->temp_index != 0 &&
            (uint32_t(s->temp_index) >= temp_top || temp_slots[s->temp_index] != s))
            return report("temporary not in its stack slot", i);
        previous_end = s->data + s->len;
    }
    return nullptr;
}

const char* check_temps() {
    if (temp_top < 1 || temp_top > temp_capacity + 1) return report("temp_top out of range", 0);
    for (uint32_t k = 1; k < temp_top; ++k) {
        const DynString* s = temp_slots[k];
        if (is_dead(s)) continue;
        if (s == nullptr || s->temp_index != int32_t(k) || s->is_temp != 1)
            return report("stack slot not -1 nor its temporary", int32_t(k));
        if (s->is_readonly || s->is_fixed) continue;
        const StringList& list = s->in_low_memory ? low_list : space_list;
        if (s->list_index < 0 || s->list_index >= list.count || list.slots[s->list_index] != s)
            return report("temporary not in its string list", int32_t(k));
    }
    return nullptr;
}

} // namespace

// --- Set-up -------------------------------------------------------------------------------------

void var_storage_init() {
    var_block_size = FIRST_VAR_BLOCK_SIZE;
    var_base = static_cast<uint8_t*>(allocate_or_fail(var_block_size, 504));
    var_pos = var_base;
    var_end = var_base + var_block_size;
}

void dstr_low_area_init() {
    if (!tables_ready) string_tables_init();
    low_used = LOW_DATA_START;
    low_descriptor_top = LOW_FIRST_DESCRIPTOR_TOP;
    memset(low_start() + LOW_FIRST_DESCRIPTOR_TOP, 0,
           LOW_STRING_AREA_SIZE - LOW_FIRST_DESCRIPTOR_TOP);
    low_list.count = 0;
}

void print_strings_init() {
    print_empty_string = dstr_new_low(0, 0);
    print_blank_string = dstr_new_low(1, 0);
    print_blank_string->data[0] = ' ';
}

// --- Construction -------------------------------------------------------------------------------

DynString* dstr_new(uint32_t len, uint8_t temp) {
    if (len > MAX_STRING_LEN) growth_failed(512);
    DynString* s = take_record();
    size_t need = size_t(len) + SPARE_BYTES;
    if (space_used + need > space_size) compact_space(need);
    s->data = space_start + space_used;
    s->len = int32_t(len);
    space_used += need;
    list_append(space_list, s);
    if (temp) temp_push(s);
    return s;
}

DynString* dstr_new_low(uint32_t len, uint8_t temp) {
    if (len > LOW_STRING_AREA_SIZE) growth_failed(513);
    DynString* s = take_record();
    ensure_low_room(len);
    s->data = low_start() + low_used;
    s->len = int32_t(len);
    s->in_low_memory = 1;
    low_used += len;
    list_append(low_list, s);
    if (temp) {
        temp_push(s);
        return s;
    }
    if (low_descriptor_top < low_used + 4) growth_failed(514);
    low_descriptor_top -= 4;
    s->low_descriptor = low_start() + low_descriptor_top;
    s->low_descriptor_offset = int32_t(low_descriptor_top);
    store_descriptor(s);
    return s;
}

DynString* dstr_from_literal(const char* text, int32_t len) {
    DynString* s = take_record();
    bool has_bytes = text != nullptr && len > 0;
    s->data = has_bytes ? reinterpret_cast<uint8_t*>(const_cast<char*>(text)) : no_bytes;
    s->len = has_bytes ? len : 0;
    s->is_readonly = 1;
    temp_push(s);
    return s;
}

DynString* dstr_from_text(const char* text) {
    return dstr_from_literal(text, text != nullptr ? int32_t(strlen(text)) : 0);
}

DynString* dstr_make_temp(DynString* s) {
    if (s->temp_index == 0) temp_push(s);
    return s;
}

// --- Values -------------------------------------------------------------------------------------

DynString* dstr_assign(DynString* dest, DynString* src) {
    if (pending_error.load(std::memory_order_relaxed) != 0 || dest == src) return dest;
    if (dest->is_fixed) {
        assign_fixed(dest, src);
        dstr_free_if_temp(src);
        return dest;
    }
    if (dest->is_readonly) detach_readonly(dest);
    if (dstr_is_owned_temp(src) && !dest->in_low_memory) {
        take_over(dest, src);
        return dest;
    }
    if (src->len <= dest->len && dest->list_index >= 0) {
        copy_bytes(dest->data, src);
        dest->len = src->len;
    } else {
        assign_longer(dest, src);
    }
    dstr_free_if_temp(src);
    store_descriptor(dest);
    return dest;
}

DynString* dstr_concat(DynString* a, DynString* b) {
    if (pending_error.load(std::memory_order_relaxed) != 0) return dstr_new(0, 1);
    if (b->len == 0) return a;
    if (a->len == 0) return b;
    if (extends_in_place(a, b)) {
        memcpy(a->data + a->len, b->data, size_t(b->len));
        a->len += b->len;
        space_used = size_t(a->data - space_start) + size_t(a->len) + SPARE_BYTES;
        if (b != a) dstr_free_if_temp(b);
        return a;
    }
    DynString* joined = dstr_new(uint32_t(a->len) + uint32_t(b->len), 1);
    memcpy(joined->data, a->data, size_t(a->len));
    memcpy(joined->data + a->len, b->data, size_t(b->len));
    dstr_free_if_temp(a);
    if (b != a) dstr_free_if_temp(b);
    return joined;
}

int32_t dstr_equal(DynString* a, DynString* b) {
    if (pending_error.load(std::memory_order_relaxed) != 0) return 0;
    if (a->len != b->len) return 0;
    if (a->len == 0) return -1;
    return memcmp(a->data, b->data, size_t(a->len)) == 0 ? -1 : 0;
}

int32_t dstr_not_equal(DynString* a, DynString* b) {
    if (pending_error.load(std::memory_order_relaxed) != 0) return 0;
    return dstr_equal(a, b) == 0 ? -1 : 0;
}

// --- Release ------------------------------------------------------------------------------------

void dstr_free(DynString* s) {
    if (s == nullptr) return;
    s->field_link = nullptr;
    if (s->temp_index != 0) temp_remove(s);
    release_bytes(s);
    release_record(s);
}

void dstr_free_if_temp(DynString* s) {
    if (s->temp_index != 0) dstr_free(s);
}

// The top comes down slot by slot and stops at the mark itself, even where dead slots lie below
// it: temporaries made after the release must land at or above the mark to be released with the
// next statement.
int32_t dstr_release_temps(uint32_t mark, int32_t value) {
    if (mark < 1) mark = 1;
    while (temp_top > mark) {
        temp_top -= 1;
        DynString* s = temp_slots[temp_top];
        if (is_dead(s)) continue;
        temp_slots[temp_top] = dead_slot();
        s->temp_index = 0;
        s->is_temp = 0;
        dstr_free(s);
    }
    return value;
}

uint32_t dstr_temp_top() {
    return temp_top;
}

// --- Other storage services ---------------------------------------------------------------------

void* var_alloc(int32_t bytes) {
    size_t n = bytes > 0 ? (size_t(bytes) + VAR_ALIGN - 1) & ~(VAR_ALIGN - 1) : 0;
    if (n < size_t(var_end - var_pos)) {
        var_pos += n;
        return var_pos - n;
    }
    var_block_size = n + 2 * var_block_size;
    var_base = static_cast<uint8_t*>(allocate_or_fail(var_block_size, 504));
    var_pos = var_base + n;
    var_end = var_base + var_block_size;
    return var_base;
}

MemLock* mem_lock_new() {
    if (!tables_ready) string_tables_init();
    MemLock* lock = take_lock_record();
    lock_id_counter += 1;
    lock->id = lock_id_counter;
    lock->kind = 0;
    lock->memory = nullptr;
    return lock;
}

void mem_lock_free(MemLock* lock) {
    if (lock == nullptr || lock->id == 0) return;
    lock->id = 0;
    if (lock->kind == 1) free(lock->memory);
    lock->memory = nullptr;
    if (free_lock_count == free_lock_capacity) {
        int64_t capacity = free_lock_capacity;
        double_table(free_locks, capacity, 0, LOCK_POOL_ERROR);
        free_lock_capacity = int32_t(capacity);
    }
    free_locks[free_lock_count++] = lock;
}

uint32_t array_index_check(uint32_t index, uint32_t count) {
    if (index < count) return index;
    rt_error(9);
    return 0;
}

VarScope var_scope_enter() {
    return VarScope{temp_top, var_pos, int32_t(low_descriptor_top)};
}

void var_scope_leave(const VarScope& scope) {
    uintptr_t saved = reinterpret_cast<uintptr_t>(scope.var_pos);
    bool inside = saved >= reinterpret_cast<uintptr_t>(var_base) &&
                  saved <= reinterpret_cast<uintptr_t>(var_end);
    var_pos = inside ? scope.var_pos : var_base;
    low_descriptor_top = size_t(scope.low_descriptor_top);
}

// --- Inspection ---------------------------------------------------------------------------------

StorageInfo dstr_storage_info() {
    StorageInfo info{};
    info.space_start = space_start;
    info.space_size = int64_t(space_size);
    info.space_used = int64_t(space_used);
    info.list_count = space_list.count;
    info.list_capacity = space_list.capacity;
    for (int32_t i = 0; i < space_list.count; ++i)
        if (!is_dead(space_list.slots[i])) info.live_strings += 1;
    info.temp_top = temp_top;
    info.temp_capacity = temp_capacity;
    info.free_records = free_record_count;
    info.compactions = compaction_count;
    info.growths = growth_count;
    info.low_start = low_start();
    info.low_used = int32_t(low_used);
    info.low_descriptor_top = int32_t(low_descriptor_top);
    info.low_list_count = low_list.count;
    info.var_base = var_base;
    info.var_pos = var_pos;
    info.var_end = var_end;
    info.var_block_size = int64_t(var_block_size);
    return info;
}

const char* dstr_check_space() {
    if (!tables_ready) return nullptr;
    if (space_used > space_size) return report("space_used beyond the space", 0);
    if (low_used > low_descriptor_top) return report("low-memory data meets descriptors", 0);
    if (const char* v = check_list(space_list, space_start, space_start + space_used, 0,
                                   "string list count out of range"))
        return v;
    if (const char* v = check_list(low_list, low_start() + LOW_DATA_START, low_start() + low_used,
                                   1, "low-memory list count out of range"))
        return v;
    return check_temps();
}
