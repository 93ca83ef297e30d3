// The statement pattern the game uses, on dynamic strings and on std::string:
//
//     line = rtrim(ltrim(ucase("  You are " + place + " now.  ")))
//
// two literals, two concatenations, upper-casing and trimming of the temporaries, assignment to a
// variable and, for the dynamic strings, the release to the routine's mark at the statement's end.
// Both run in one process, each several times; the figures printed at the end are the best time per
// statement of each (the machine may be busy with other work), their ratio, and the heap
// allocations per statement counted in steady state (every malloc, calloc and realloc of the
// process, operator new included, is counted while a timed loop runs).
#include "runtime/flags.h"
#include "runtime/low_memory.h"
#include "runtime/statements.h"
#include "runtime/string_functions.h"
#include "runtime/strings.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

uint64_t allocations;

} // namespace

#if !defined(__SANITIZE_ADDRESS__)
// Every heap allocation of the process passes through here and is counted.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);

extern "C" void* malloc(size_t size) noexcept {
    ++allocations;
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) noexcept {
    ++allocations;
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* p, size_t size) noexcept {
    ++allocations;
    return __libc_realloc(p, size);
}
constexpr bool allocations_counted = true;
#else
// The sanitizer owns the allocator; the benchmark still runs but counts nothing.
constexpr bool allocations_counted = false;
#endif

namespace {

constexpr const char* Places[] = {
    "by the old church",
    "at the crossroads",
    "in the aisle of a deserted supermarket",
    "on Main Street",
};

constexpr int Repetitions = 7;

// What the timed runs of one side measured: among the runs of the most statements (the library
// first probes with short runs), the best time, and the most allocations seen.
struct Figures {
    int64_t statements;
    double ns_per_statement;
    double allocations_per_statement;
};
Figures dstr_figures;
Figures std_figures;

template <typename Statement>
void timed_loop(benchmark::State& state, Figures& figures, Statement statement) {
    for (int i = 0; i < 1000; ++i) statement(i); // steady state first
    uint64_t allocations_before = allocations;
    auto start = std::chrono::steady_clock::now();
    int64_t i = 0;
    for (auto _ : state) statement(i++);
    auto end = std::chrono::steady_clock::now();
    int64_t statements = int64_t(state.iterations());
    double ns = double(std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count());
    Figures run{statements, ns / double(statements),
                double(allocations - allocations_before) / double(statements)};
    state.counters["allocs/stmt"] = run.allocations_per_statement;
    if (statements < figures.statements) return;
    if (statements > figures.statements) {
        figures = run;
        return;
    }
    if (run.ns_per_statement < figures.ns_per_statement)
        figures.ns_per_statement = run.ns_per_statement;
    if (run.allocations_per_statement > figures.allocations_per_statement)
        figures.allocations_per_statement = run.allocations_per_statement;
}

void dynamic_strings(benchmark::State& state) {
    uint32_t mark = dstr_temp_top(); // the routine's mark
    DynString* line = dstr_new(0, 0);
    DynString* places[4];
    for (int p = 0; p < 4; ++p) {
        places[p] = dstr_new(0, 0);
        dstr_assign(places[p], dstr_from_text(Places[p]));
    }
    timed_loop(state, dstr_figures, [&](int64_t i) {
        dstr_assign(line, dstr_rtrim(dstr_ltrim(dstr_ucase(dstr_concat(
                              dstr_concat(dstr_from_literal("  You are ", 10), places[i & 3]),
                              dstr_from_literal(" now.  ", 7))))));
        stmt_end(mark, 10);
        benchmark::DoNotOptimize(line->data);
    });
    for (DynString* p : places) dstr_free(p);
    dstr_free(line);
}

std::string ucase(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}

std::string ltrim(std::string s) {
    size_t first = s.find_first_not_of(' ');
    s.erase(0, first == std::string::npos ? s.size() : first);
    return s;
}

std::string rtrim(std::string s) {
    size_t last = s.find_last_not_of(' ');
    s.erase(last == std::string::npos ? 0 : last + 1);
    return s;
}

void standard_strings(benchmark::State& state) {
    std::string line;
    std::string places[4];
    for (int p = 0; p < 4; ++p) places[p] = Places[p];
    timed_loop(state, std_figures, [&](int64_t i) {
        line = rtrim(ltrim(ucase("  You are " + places[i & 3] + " now.  ")));
        benchmark::DoNotOptimize(line.data());
    });
}

BENCHMARK(dynamic_strings)->Repetitions(Repetitions);
BENCHMARK(standard_strings)->Repetitions(Repetitions);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    var_storage_init();
    low_memory_clear();
    dstr_low_area_init();
    print_strings_init();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    printf("\nstatement: line = rtrim(ltrim(ucase(\"  You are \" + place + \" now.  \")))\n");
    printf("dynamic strings: %8.1f ns per statement, %.3f heap allocations per statement\n",
           dstr_figures.ns_per_statement, dstr_figures.allocations_per_statement);
    printf("std::string:     %8.1f ns per statement, %.3f heap allocations per statement\n",
           std_figures.ns_per_statement, std_figures.allocations_per_statement);
    if (dstr_figures.ns_per_statement > 0)
        printf("ratio: std::string time / dynamic strings time = %.2f\n",
               std_figures.ns_per_statement / dstr_figures.ns_per_statement);
    if (!allocations_counted) printf("(allocations are not counted under the sanitizers)\n");
    return 0;
}
