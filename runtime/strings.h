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
// operations do nothing and return their neutral result (0, or a new empty temporary).
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
    uint64_t id;   // 0 once released, so that stale references can be recognised
    int32_t kind;
    void* memory;  // released by mem_lock_free when kind is 1
};

// --- Set-up -----------------------------------------------------------------------------------
// The string tables and the memory-lock pool exist from program load; rt_main then allocates the
// first variable-storage block and sets up the low-memory string area (after clearing LowMemory).
void var_storage_init();
void dstr_low_area_init();

// --- Construction -----------------------------------------------------------------------------
DynString* dstr_new(uint32_t len, uint8_t temp);           // len uninitialised bytes
DynString* dstr_new_low(uint32_t len, uint8_t temp);       // the same in the low-memory area
DynString* dstr_from_text(const char* text);               // read-only temporary, nothing copied
DynString* dstr_from_literal(const char* text, int32_t len); // read-only temporary over a literal
DynString* dstr_make_temp(DynString* s);                   // hand a permanent string back as a temporary

// --- Values -----------------------------------------------------------------------------------
DynString* dstr_assign(DynString* dest, DynString* src);   // dest takes src's value
DynString* dstr_concat(DynString* a, DynString* b);        // a followed by b
int32_t dstr_equal(DynString* a, DynString* b);            // -1 if equal, else 0; frees nothing
int32_t dstr_not_equal(DynString* a, DynString* b);        // -1 if different, else 0

// --- Release ----------------------------------------------------------------------------------
void dstr_free(DynString* s);
int32_t dstr_release_temps(uint32_t mark, int32_t value);  // frees temporaries in slots >= mark
uint32_t dstr_temp_top();                                  // a routine's mark

// --- Other storage services -------------------------------------------------------------------
void* var_alloc(int32_t bytes);
MemLock* mem_lock_new();
void mem_lock_free(MemLock* lock);
uint32_t array_index_check(uint32_t index, uint32_t count); // index, or ErrorCode 9 and 0

// The permanent strings that printing uses: the empty string of a bare new line and a one-blank
// string for spacing. Both live in the low-memory area, created by rt_main.
extern DynString* print_empty_string;
extern DynString* print_blank_string;
void print_strings_init();
