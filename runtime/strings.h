// Dynamic strings. Every string value of the game is a DynString: a fixed-size record pointing at
// bytes kept in a compacting string space (or, for two permanent strings, in the low-memory string
// area). Bytes carry an explicit length and no terminating zero; comparison is byte-wise.
//
// Temporaries. Expressions make temporary strings, registered on the TempStringStack. A routine
// records temp_top as its mark on entry; after every statement dstr_release_temps(mark, 0) frees
// whatever is left above the mark. Functions consume their temporary arguments: they change an
// owned temporary in place, or free it after building a new one. dstr_assign from a temporary
// takes over its bytes instead of copying them.
//
// Everything here runs on the program thread and takes no locks. While pending_error is set the
// value operations (assign, concat, the comparisons) do nothing and return their neutral result
// (0, or a new empty temporary). Construction, release and the storage services keep working:
// they are the bookkeeping that lets a statement wind down and release its temporaries.
//
// Failed growth of any table is a critical error that ends the process: 504 variable storage,
// 508 descriptor free list, 509 low-memory list, 510 string list, 511 TempStringStack, 512 string
// space, 513 and 514 low-memory area.
#pragma once

#include <cstdint>

struct DynString {
    uint8_t* data;                 // first byte of the value; no terminating zero
    int32_t len;                   // length in bytes
    uint8_t in_low_memory;         // 1: bytes in the low-memory string area
    uint8_t* low_descriptor;       // non-temporary low-memory string: its 4-byte descriptor
    int32_t low_descriptor_offset; // offset of that descriptor within the low-memory area
    int32_t list_index;            // slot in the string list of its area
    uint8_t is_temp;               // 1 while on the TempStringStack
    int32_t temp_index;            // slot on the TempStringStack; 0 = not a temporary
    uint8_t is_fixed;              // fixed-length string over foreign storage; always 0 here
    uint8_t is_readonly;           // data points at constant text the runtime does not own
    void* field_link;              // binding to a file record buffer; always null here
};

// Memory-lock record: guards the scope of a routine's locals (kind 3) or an array (kind 4).
struct MemLock {
    uint64_t id; // 0 once released, so that stale references can be recognised
    int32_t kind;
    void* memory; // released by mem_lock_free when kind is 1
};

// --- Set-up -----------------------------------------------------------------------------------
// The string tables and the memory-lock pool exist from program load; rt_main then allocates the
// first variable-storage block and sets up the low-memory string area (after clearing LowMemory).
void var_storage_init();
void dstr_low_area_init();

// --- Construction -----------------------------------------------------------------------------
// A new string-space string of len uninitialised bytes, given len + 32 bytes so that a slightly
// longer later value fits in place. May compact or grow the space, which moves other strings'
// bytes: re-read any data pointer after calling it.
DynString* dstr_new(uint32_t len, uint8_t temp);
// The same in the low-memory area, without spare bytes; a permanent one gets a 4-byte descriptor
// (16-bit length, 16-bit offset) that every assignment keeps in step.
DynString* dstr_new_low(uint32_t len, uint8_t temp);
DynString* dstr_from_text(const char* text);                 // read-only temporary, nothing copied
DynString* dstr_from_literal(const char* text, int32_t len); // read-only temporary over a literal
DynString* dstr_make_temp(DynString* s); // hand a permanent string back as a temporary

// An owned temporary: on the TempStringStack, with bytes of its own in the string space. Only such
// a string may be changed in place or have its bytes taken over.
inline bool dstr_is_owned_temp(const DynString* s) {
    return s->is_temp != 0 && s->is_fixed == 0 && s->is_readonly == 0 && s->in_low_memory == 0;
}

// --- Values -----------------------------------------------------------------------------------
// dest takes src's value and src is freed if it is a temporary. An owned temporary src hands its
// bytes over (dest's old bytes are abandoned until the next compaction); otherwise the bytes are
// copied over dest's when they fit, in place up to the next live string, or to a new place at the
// end of the space.
DynString* dstr_assign(DynString* dest, DynString* src);
// a followed by b as a temporary; the temporaries among a and b are consumed. An owned temporary a
// that ends the string space is extended in place (a chain a + b + c copies each part once);
// otherwise the result is a new temporary and a and b are freed where they are temporaries. An
// empty b gives a itself and an empty a gives b itself, nothing freed.
DynString* dstr_concat(DynString* a, DynString* b);
int32_t dstr_equal(DynString* a, DynString* b);     // -1 if equal, else 0; frees nothing
int32_t dstr_not_equal(DynString* a, DynString* b); // -1 if different, else 0

// --- Release ----------------------------------------------------------------------------------
void dstr_free(DynString* s);
void dstr_free_if_temp(DynString* s); // consumes a temporary argument
// Frees every temporary in the slots from mark up and leaves temp_top at the mark; returns value
// unchanged, so that a condition can release its temporaries before the branch is taken.
int32_t dstr_release_temps(uint32_t mark, int32_t value);
uint32_t dstr_temp_top(); // a routine's mark

// --- Other storage services -------------------------------------------------------------------
// Storage for a variable, bump-allocated from the current block and not zeroed. Sizes are rounded
// up to 16 bytes so that every variable is aligned for any type. A block that is used up is
// abandoned for a new one of twice the size plus the request.
void* var_alloc(int32_t bytes);
MemLock* mem_lock_new();
// Sets the id to 0, releases the memory of a kind-1 lock and recycles the record. A lock that is
// already released is left alone.
void mem_lock_free(MemLock* lock);
uint32_t array_index_check(uint32_t index, uint32_t count); // index, or ErrorCode 9 and 0

// The routine scope: on entry a routine saves its temporary mark, the variable-storage position and
// the low-memory descriptor top; on exit, after freeing its locals, it restores the last two.
struct VarScope {
    uint32_t temp_mark;
    uint8_t* var_pos;
    int32_t low_descriptor_top;
};
VarScope var_scope_enter();
// var_pos goes back to the saved position when that lies within the current block, and to the
// block's start otherwise (the block changed while the routine ran).
void var_scope_leave(const VarScope& scope);

// --- Inspection (tests and benchmarks) --------------------------------------------------------
struct StorageInfo {
    const uint8_t* space_start;
    int64_t space_size;
    int64_t space_used;
    int32_t list_count; // string-list slots in use, dead ones included
    int32_t list_capacity;
    int32_t live_strings; // live string-list slots
    uint32_t temp_top;
    uint32_t temp_capacity;
    int32_t free_records; // descriptor records waiting for reuse
    int64_t compactions;  // runs of the string-space compaction
    int64_t growths;      // of which grew the space
    const uint8_t* low_start;
    int32_t low_used;
    int32_t low_descriptor_top;
    int32_t low_list_count;
    const uint8_t* var_base;
    const uint8_t* var_pos;
    const uint8_t* var_end;
    int64_t var_block_size;
};
StorageInfo dstr_storage_info();

// Checks the invariants of both string areas and the TempStringStack: lists in ascending order of
// data, dead slots -1, live strings inside their area and not overlapping, every temporary in its
// stack slot, space_used within the space. Returns a description of the first violation, or null.
const char* dstr_check_space();

// The permanent strings that printing uses: the empty string of a bare new line and a one-blank
// string for spacing. Both live in the low-memory area, created by rt_main.
extern DynString* print_empty_string;
extern DynString* print_blank_string;
void print_strings_init();
