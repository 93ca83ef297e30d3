// What the string tests share: the storage set up as rt_main does it, strings made from test
// values, their values read back, and a fixture that releases a test's temporaries and checks the
// string space when the test ends.
#pragma once

#include "runtime/flags.h"
#include "runtime/low_memory.h"
#include "runtime/strings.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

// Variable storage, the cleared LowMemory, the low-memory area and the printing strings, once per
// process, in rt_main's order.
inline void storage_ready() {
    static bool done = false;
    if (done) return;
    done = true;
    var_storage_init();
    low_memory_clear();
    dstr_low_area_init();
    print_strings_init();
}

inline std::string value_of(const DynString* s) {
    return std::string(reinterpret_cast<const char*>(s->data), size_t(s->len));
}

// A string-space string holding `value`: permanent (a variable) or temporary.
inline DynString* string_with(const std::string& value, uint8_t temp) {
    DynString* s = dstr_new(uint32_t(value.size()), temp);
    if (!value.empty()) memcpy(s->data, value.data(), value.size());
    return s;
}

inline DynString* var_with(const std::string& value) {
    return string_with(value, 0);
}

inline DynString* temp_with(const std::string& value) {
    return string_with(value, 1);
}

// A read-only literal temporary over text that lives as long as the test.
inline DynString* literal(const char* text) {
    return dstr_from_text(text);
}

struct StringsTest : testing::Test {
    uint32_t mark = 0;

    void SetUp() override {
        storage_ready();
        pending_error.store(0);
        mark = dstr_temp_top();
    }

    void TearDown() override {
        pending_error.store(0);
        dstr_release_temps(mark, 0);
        EXPECT_EQ(dstr_temp_top(), mark);
        const char* violation = dstr_check_space();
        EXPECT_EQ(violation, nullptr) << violation;
    }
};

#define EXPECT_SPACE_SOUND()                                                                       \
    do {                                                                                           \
        const char* violation_ = dstr_check_space();                                               \
        EXPECT_EQ(violation_, nullptr) << violation_;                                              \
    } while (0)
