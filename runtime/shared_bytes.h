// Bytes that two threads touch: the text cells of the screen pages (written by the program thread,
// read by the display side) and the keyboard buffer in LowMemory (written by the key handler, read
// by the program thread). Every access goes through these helpers so that the choice of access is
// made in one place: relaxed atomic loads and stores, which compile to plain moves on this machine
// and keep the hand-over free of data races. The ordering that publishes a slot is carried by the
// atomic indices next to the bytes, not by the bytes themselves.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// A field of a record that another thread reads while this one writes it (the cursor fields of
// the display page, for instance): written with shared_store, read there with shared_load.
template <typename T> inline T shared_load(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}

template <typename T> inline void shared_store(T& field, T value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

inline uint8_t shared_load_byte(const uint8_t* p) {
    return std::atomic_ref<uint8_t>(*const_cast<uint8_t*>(p)).load(std::memory_order_relaxed);
}

inline void shared_store_byte(uint8_t* p, uint8_t value) {
    std::atomic_ref<uint8_t>(*p).store(value, std::memory_order_relaxed);
}

// A text cell: character code in the low byte, attribute in the high byte. p must be 2-aligned.
inline uint16_t shared_load_cell(const uint8_t* p) {
    return std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t*>(const_cast<uint8_t*>(p)))
        .load(std::memory_order_relaxed);
}

inline void shared_store_cell(uint8_t* p, uint16_t cell) {
    std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t*>(p)).store(cell, std::memory_order_relaxed);
}

// A 16-bit index word that publishes bytes to another thread (the keyboard buffer's head and
// tail): the writer fills the bytes first and then stores the word with release; the reader loads
// the word with acquire before it reads the bytes. p must be 2-aligned.
inline uint16_t shared_load_word_acquire(const uint8_t* p) {
    return std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t*>(const_cast<uint8_t*>(p)))
        .load(std::memory_order_acquire);
}

inline void shared_store_word_release(uint8_t* p, uint16_t word) {
    std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t*>(p)).store(word, std::memory_order_release);
}

// Copies between shared cell storage and plain memory, cell by cell. Sizes are in bytes and even.
void shared_read_cells(uint8_t* to, const uint8_t* shared_from, size_t bytes);
void shared_write_cells(uint8_t* shared_to, const uint8_t* from, size_t bytes);
// Overlap-safe move within shared storage (scrolling) or between two shared areas (page copy).
void shared_move_cells(uint8_t* shared_to, const uint8_t* shared_from, size_t bytes);
void shared_fill_cells(uint8_t* shared_to, uint16_t cell, size_t count);
