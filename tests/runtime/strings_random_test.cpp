// Long random sequences of string operations: create, assign, concatenate, the parts and trims,
// upper case, chr and space, free, hand back as a temporary, and release to the mark of nested
// routines, on strings that hold zero bytes. After every step the strings are compared with a
// model made of std::string values, the string space is checked for its invariants, and the live
// strings are counted against the model. The volume forces compaction and growth several times.
//
// The seed is fixed; another one can be given by hand with ES_STRINGS_SEED=<number>, and the
// number of steps scaled with ES_STRINGS_STEPS=<factor>. The volume is sized for the fresh process
// that CTest gives every case: a string space that starts at its first size.
#include "runtime/string_functions.h"

#include "tests/runtime/strings_support.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

struct Handle {
    DynString* s;
    std::string value;
};

// The temporaries a routine made, above its mark.
struct Scope {
    uint32_t mark;
    std::vector<Handle> temps;
};

struct Settings {
    int64_t steps;  // at least; more, up to twice as many, until the volume is met
    size_t max_len; // longest string made
    size_t max_vars;
    int64_t full_every;      // all values compared every so many steps
    int64_t min_compactions; // the volume: compactions and growths of the space to reach
    int64_t min_growths;
};

uint64_t seed_from_environment() {
    const char* text = getenv("ES_STRINGS_SEED");
    return text != nullptr ? strtoull(text, nullptr, 10) : 20240611u;
}

int64_t scaled(int64_t steps) {
    const char* text = getenv("ES_STRINGS_STEPS");
    double factor = text != nullptr ? strtod(text, nullptr) : 1.0;
    return int64_t(double(steps) * (factor > 0 ? factor : 1.0));
}

// Bytes the values are made of: blanks at the ends give the trims work, lower case gives upper
// casing work, zero bytes and high bytes must pass through untouched.
constexpr char Alphabet[] = {' ', ' ', ' ', 'a', 'q', 'z', 'A', 'Z', '\0', '\xe9', '{', '`'};

std::string model_ucase(std::string v) {
    for (char& c : v)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return v;
}

std::string model_ltrim(const std::string& v) {
    size_t i = v.find_first_not_of(' ');
    return i == std::string::npos ? "" : v.substr(i);
}

std::string model_rtrim(const std::string& v) {
    size_t i = v.find_last_not_of(' ');
    return i == std::string::npos ? "" : v.substr(0, i + 1);
}

std::string model_mid(const std::string& v, int64_t start, int64_t n, bool n_given) {
    int64_t len = int64_t(v.size());
    if (!n_given) n = len;
    if (start < 1) {
        if (n_given) n += start - 1;
        start = 1;
    }
    if (n < 1 || start > len) return "";
    return v.substr(size_t(start - 1), size_t(n));
}

class RandomStrings {
  public:
    RandomStrings(uint64_t seed, Settings settings) : random_(seed), settings_(settings) {
        pool_.resize(settings.max_len + 1);
        for (char& c : pool_) c = Alphabet[random_() % sizeof Alphabet];
        scopes_.push_back(Scope{dstr_temp_top(), {}});
        baseline_live_ = dstr_storage_info().live_strings;
    }

    // Runs the steps; stops at the first failure.
    void run() {
        StorageInfo start = dstr_storage_info();
        auto volume_met = [&] {
            StorageInfo now = dstr_storage_info();
            return now.compactions - start.compactions >= settings_.min_compactions &&
                   now.growths - start.growths >= settings_.min_growths;
        };
        for (step_ = 0; step_ < settings_.steps || (!volume_met() && step_ < 2 * settings_.steps);
             ++step_) {
            one_step();
            if (testing::Test::HasFatalFailure()) return;
            check_step();
            if (testing::Test::HasFatalFailure()) return;
        }
        while (scopes_.size() > 1) leave_routine();
        statement_end();
        for (Handle& v : vars_) dstr_free(v.s);
        vars_.clear();
        check_all();
    }

  private:
    std::mt19937_64 random_;
    Settings settings_;
    std::string pool_; // the text literals point into; never changed
    std::vector<Handle> vars_;
    std::vector<Scope> scopes_;
    int64_t step_ = 0;
    int32_t baseline_live_ = 0;
    int64_t compactions_seen_ = 0;
    int64_t growths_seen_ = 0;

    size_t below(size_t n) { return n == 0 ? 0 : size_t(random_() % n); }

    std::vector<Handle>& temps() { return scopes_.back().temps; }

    size_t random_len() {
        if (random_() % 2) return below(41);
        return below(settings_.max_len + 1);
    }

    std::string random_value(size_t len) {
        std::string v(len, ' ');
        for (char& c : v) c = Alphabet[below(sizeof Alphabet)];
        return v;
    }

    std::string where() const { return "step " + std::to_string(step_); }

    void expect_value(const Handle& h) {
        ASSERT_EQ(h.s->len, int32_t(h.value.size())) << where();
        ASSERT_TRUE(value_of(h.s) == h.value) << where();
    }

    // --- Arguments --------------------------------------------------------------------------

    // An argument: a temporary of the current routine (true) or a variable (false), by index.
    struct Pick {
        bool temp;
        size_t index;
    };

    bool pick(Pick& p) {
        bool from_temps = !temps().empty() && (vars_.empty() || random_() % 3 != 0);
        if (!from_temps && vars_.empty()) return false;
        p = Pick{from_temps, below(from_temps ? temps().size() : vars_.size())};
        return true;
    }

    Handle& handle(const Pick& p) { return p.temp ? temps()[p.index] : vars_[p.index]; }

    // Drops temporaries that an operation consumed, by index, the higher index first.
    void drop_temps(std::vector<size_t> indexes) {
        std::sort(indexes.rbegin(), indexes.rend());
        indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
        for (size_t i : indexes) temps().erase(temps().begin() + long(i));
    }

    // --- Steps ------------------------------------------------------------------------------

    void one_step() {
        size_t op = below(100);
        if (op < 10) return make_temp_string();
        if (op < 18) return make_literal();
        if (op < 21) return make_chr();
        if (op < 24) return make_space();
        if (op < 38) return concat();
        if (op < 60) return unary();
        if (op < 80) return assign();
        if (op < 84) return new_variable();
        if (op < 86) return free_variable();
        if (op < 87) return hand_back_variable();
        if (op < 90) return compare();
        if (op < 96) return statement_end();
        if (op < 98 && scopes_.size() < 5) return enter_routine();
        if (scopes_.size() > 1) return leave_routine();
    }

    void push_temp(DynString* s, const std::string& value) {
        ASSERT_TRUE(dstr_is_owned_temp(s) || s->is_readonly) << where();
        temps().push_back(Handle{s, value});
        expect_value(temps().back());
    }

    void make_chr() {
        char c = Alphabet[below(sizeof Alphabet)];
        push_temp(dstr_chr(int32_t(uint8_t(c))), std::string(1, c));
    }

    void make_temp_string() {
        std::string v = random_value(random_len());
        push_temp(temp_with(v), v);
    }

    void make_literal() {
        size_t len = random_len();
        size_t at = below(pool_.size() - len);
        push_temp(dstr_from_literal(pool_.data() + at, int32_t(len)), pool_.substr(at, len));
    }

    void make_space() {
        int32_t n = int32_t(below(60)) - 10;
        push_temp(dstr_space(n), std::string(size_t(n < 0 ? 0 : n), ' '));
    }

    void concat() {
        Pick a, b;
        if (!pick(a) || !pick(b)) return;
        Handle ha = handle(a), hb = handle(b);
        DynString* r = dstr_concat(ha.s, hb.s);
        if (hb.value.empty()) {
            ASSERT_EQ(r, ha.s) << where();
            return;
        }
        if (ha.value.empty()) {
            ASSERT_EQ(r, hb.s) << where();
            return;
        }
        ASSERT_TRUE(dstr_is_owned_temp(r)) << where();
        std::vector<size_t> consumed;
        if (a.temp) consumed.push_back(a.index);
        if (b.temp) consumed.push_back(b.index);
        drop_temps(consumed);
        push_temp(r, ha.value + hb.value);
    }

    void unary() {
        Pick p;
        if (!pick(p)) return;
        Handle h = handle(p);
        bool owned = dstr_is_owned_temp(h.s);
        int32_t n = int32_t(below(h.value.size() + 12)) - 5;
        int32_t start = int32_t(below(h.value.size() + 8)) - 3;
        DynString* r = nullptr;
        std::string expected;
        switch (below(7)) {
        case 0:
            r = dstr_ucase(h.s);
            expected = model_ucase(h.value);
            break;
        case 1:
            r = dstr_ltrim(h.s);
            expected = model_ltrim(h.value);
            break;
        case 2:
            r = dstr_rtrim(h.s);
            expected = model_rtrim(h.value);
            break;
        case 3:
            r = dstr_left(h.s, n);
            expected = h.value.substr(0, size_t(std::max(0, n)));
            break;
        case 4:
            r = dstr_right(h.s, n);
            expected =
                h.value.substr(h.value.size() - std::min(h.value.size(), size_t(std::max(0, n))));
            break;
        case 5:
            r = dstr_mid(h.s, start, n, 1);
            expected = model_mid(h.value, start, n, true);
            break;
        default:
            r = dstr_mid(h.s, start, 0, 0);
            expected = model_mid(h.value, start, 0, false);
            break;
        }
        if (owned || expected == h.value) {
            ASSERT_EQ(r, h.s) << where(); // changed in place, or returned as it is
        } else {
            ASSERT_NE(r, h.s) << where();
        }
        if (p.temp) {
            drop_temps({p.index});
        } else {
            expect_value(vars_[p.index]); // a variable never changes
            if (r == h.s) return;
        }
        push_temp(r, expected);
    }

    void assign() {
        if (vars_.empty()) return;
        size_t d = below(vars_.size());
        Pick src;
        if (!pick(src) || (!src.temp && src.index == d)) return;
        Handle hs = handle(src);
        ASSERT_EQ(dstr_assign(vars_[d].s, hs.s), vars_[d].s) << where();
        vars_[d].value = hs.value;
        if (src.temp) drop_temps({src.index});
        expect_value(vars_[d]);
    }

    void new_variable() {
        if (vars_.size() >= settings_.max_vars) return;
        std::string v = random_value(random_len());
        vars_.push_back(Handle{var_with(v), v});
        expect_value(vars_.back());
    }

    void free_variable() {
        if (vars_.empty()) return;
        size_t i = below(vars_.size());
        dstr_free(vars_[i].s);
        vars_.erase(vars_.begin() + long(i));
    }

    void hand_back_variable() {
        if (vars_.empty()) return;
        size_t i = below(vars_.size());
        Handle h = vars_[i];
        vars_.erase(vars_.begin() + long(i));
        ASSERT_EQ(dstr_make_temp(h.s), h.s) << where();
        temps().push_back(h);
    }

    void compare() {
        Pick a, b;
        if (!pick(a) || !pick(b)) return;
        Handle ha = handle(a), hb = handle(b);
        ASSERT_EQ(dstr_equal(ha.s, hb.s), ha.value == hb.value ? -1 : 0) << where();
        ASSERT_EQ(dstr_not_equal(ha.s, hb.s), ha.value == hb.value ? 0 : -1) << where();
        size_t found =
            hb.value.empty() ? (ha.value.empty() ? std::string::npos : 0) : ha.value.find(hb.value);
        ASSERT_EQ(dstr_instr(0, ha.s, hb.s, 0), found == std::string::npos ? 0 : int32_t(found) + 1)
            << where();
    }

    // The statement's release. A temporary that sits below the mark (the top came down past it
    // over dead slots) is not released here; it belongs to the routine whose mark it is above.
    void statement_end() {
        uint32_t mark = scopes_.back().mark;
        std::vector<Handle> kept;
        for (const Handle& h : temps())
            if (uint32_t(h.s->temp_index) < mark) kept.push_back(h);
        dstr_release_temps(mark, 0);
        ASSERT_LE(dstr_temp_top(), mark) << where();
        temps().clear();
        for (const Handle& h : kept) {
            size_t owner = scopes_.size() - 1;
            while (owner > 0 && uint32_t(h.s->temp_index) < scopes_[owner].mark) --owner;
            scopes_[owner].temps.push_back(h);
        }
    }

    void enter_routine() { scopes_.push_back(Scope{dstr_temp_top(), {}}); }

    void leave_routine() {
        statement_end(); // what is left below the mark already belongs to an outer routine
        scopes_.pop_back();
    }

    // --- Checks -----------------------------------------------------------------------------

    int32_t model_live_strings() const {
        int32_t n = int32_t(vars_.size());
        for (const Scope& scope : scopes_)
            for (const Handle& h : scope.temps) n += h.s->is_readonly ? 0 : 1;
        return n;
    }

    void check_all() {
        for (const Handle& v : vars_) expect_value(v);
        for (const Scope& scope : scopes_)
            for (const Handle& h : scope.temps) expect_value(h);
        StorageInfo info = dstr_storage_info();
        ASSERT_EQ(info.live_strings, baseline_live_ + model_live_strings()) << where();
    }

    void check_step() {
        const char* violation = dstr_check_space();
        ASSERT_EQ(violation, nullptr) << where() << ": " << violation;
        StorageInfo info = dstr_storage_info();
        bool moved = info.compactions != compactions_seen_ || info.growths != growths_seen_;
        compactions_seen_ = info.compactions;
        growths_seen_ = info.growths;
        if (moved || step_ % settings_.full_every == 0) {
            check_all();
        } else {
            ASSERT_EQ(info.live_strings, baseline_live_ + model_live_strings()) << where();
        }
    }
};

using RandomStringsTest = StringsTest;

void run_random(const Settings& settings) {
    uint64_t seed = seed_from_environment();
    SCOPED_TRACE("ES_STRINGS_SEED=" + std::to_string(seed));
    StorageInfo before = dstr_storage_info();
    RandomStrings(seed, settings).run();
    StorageInfo after = dstr_storage_info();
    EXPECT_GE(after.compactions - before.compactions, settings.min_compactions);
    EXPECT_GE(after.growths - before.growths, settings.min_growths);
}

TEST_F(RandomStringsTest, ManyStatementsCompactTheSpaceOften) {
    run_random(Settings{scaled(40000), 1500, 48, 1, 4, 0});
}

TEST_F(RandomStringsTest, LargeStringsGrowTheSpaceSeveralTimes) {
    run_random(Settings{scaled(3000), 256 * 1024, 80, 50, 4, 3});
}

} // namespace
