// Start-up: the command line, the working directory and the chain-state file.
#include "runtime/chain.h"
#include "runtime/command_line.h"
#include "tests/runtime/runtime_child.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

std::string text_of(const DynString* s) {
    return std::string(reinterpret_cast<const char*>(s->data), size_t(s->len));
}

void put_int(std::vector<uint8_t>* out, int32_t value) {
    uint8_t bytes[4];
    memcpy(bytes, &value, 4);
    out->insert(out->end(), bytes, bytes + 4);
}

// A chain-state file: version, directory, then (code, byte count, bytes) records.
std::vector<uint8_t> chain_file(const std::string& directory,
                                const std::vector<std::pair<int32_t, std::vector<int32_t>>>& records) {
    std::vector<uint8_t> out;
    put_int(&out, 1);
    put_int(&out, int32_t(directory.size()));
    out.insert(out.end(), directory.begin(), directory.end());
    for (const auto& [code, values] : records) {
        put_int(&out, code);
        put_int(&out, int32_t(values.size() * 4));
        for (int32_t v : values) put_int(&out, v);
    }
    return out;
}

} // namespace

TEST(CommandLine, JoinsTheArgumentsWithSingleBlanks) {
    char program[] = "empty-streets", a[] = "north", b[] = "two words", c[] = "";
    char* with_arguments[] = {program, a, b, c};
    command_line_build(4, with_arguments);
    EXPECT_EQ(text_of(command_line), "north two words ");
    command_line_build(1, with_arguments);
    EXPECT_EQ(text_of(command_line), "");
}

namespace {
void report_directory() {
    char here[4096];
    fprintf(stderr, "cwd=%s\n", getcwd(here, sizeof here));
    close_requested.store(1);
    rt_exit_thread();
}
} // namespace

TEST(StartUp, WorksInTheExecutablesFolderWhateverTheCallersWas) {
    std::string folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    ChildResult r = run_child([] {
        child_check(chdir("/") == 0, "chdir");
        char name[] = "runtime-test";
        char* argv[] = {name, nullptr};
        use_scripted_message_box(0);
        rt_start(1, argv, report_directory);
        for (;;) platform_sleep_ms(1000);
    });
    ASSERT_TRUE(r.exited) << r.err;
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("cwd=" + folder + "\n"), std::string::npos) << r.err;
}

// Malformed chain-state files restore nothing: every read stays within the file.
TEST(Chain, RejectsMalformedFiles) {
    std::vector<uint8_t> good = chain_file("/tmp", {{259, {2, 0}}, {262, {1}}});
    ChainState state;
    ASSERT_TRUE(chain_parse(good.data(), good.size(), &state));
    EXPECT_EQ(state.directory, "/tmp");
    ASSERT_EQ(state.records.size(), 2u);
    EXPECT_EQ(state.records[1].code, 262);

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> directory_past_end = chain_file("/tmp", {});
    directory_past_end[4] = 200;
    std::vector<uint8_t> record_past_end = good;
    record_past_end[good.size() - 8] = 9; // the last record claims 9 bytes
    std::vector<uint8_t> absurd = good;
    absurd[4] = 0xFF, absurd[5] = 0xFF, absurd[6] = 0xFF, absurd[7] = 0x7F;
    std::vector<uint8_t> negative = good;
    negative[7] = 0x80;
    std::vector<uint8_t> unknown_version = good;
    unknown_version[0] = 2;
    const Case cases[] = {
        {"empty", {}},
        {"short header", {1, 0, 0}},
        {"directory past the end", directory_past_end},
        {"absurd directory length", absurd},
        {"negative directory length", negative},
        {"record past the end", record_past_end},
        {"cut inside a record", std::vector<uint8_t>(good.begin(), good.end() - 2)},
        {"unknown version", unknown_version},
        {"unknown tag", chain_file("/tmp", {{300, {1}}})},
        {"tag below the range", chain_file("/tmp", {{255, {1}}})},
        {"wrong length for its tag", chain_file("/tmp", {{259, {2}}})},
        {"colour out of range", chain_file("/tmp", {{259, {32, 0}}})},
        {"page out of range", chain_file("/tmp", {{262, {8}}})},
        {"zero byte in the directory", chain_file(std::string("/t\0p", 4), {})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(chain_parse(c.bytes.data(), c.bytes.size(), &state));
    }
}

namespace {

const char* chain_marker_line = "save (unique-tag:=/@*$+-)chainAB1.tmp";

void make_command_line(const char* line) {
    char program[] = "empty-streets";
    std::string copy = line;
    char* argv[] = {program, copy.data()};
    command_line_build(2, argv);
}

} // namespace

// A valid file is read, deleted and applied: the working directory changes and the marker leaves
// the command line. A malformed one stays on disk and changes nothing.
TEST(Chain, RestoresAValidFileAndLeavesAMalformedOneAlone) {
    std::filesystem::path work = std::filesystem::temp_directory_path() /
                                 ("chain-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(work / "saved");
    ASSERT_EQ(chdir(work.c_str()), 0);
    auto write = [&](const std::vector<uint8_t>& bytes) {
        FILE* f = fopen("chainAB1.tmp", "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    };

    std::vector<uint8_t> malformed = chain_file((work / "saved").string(), {{300, {}}});
    write(malformed);
    make_command_line(chain_marker_line);
    chain_restore_check();
    EXPECT_TRUE(std::filesystem::exists(work / "chainAB1.tmp"));
    EXPECT_EQ(std::filesystem::current_path(), work);
    EXPECT_EQ(text_of(command_line), chain_marker_line);

    write(chain_file((work / "saved").string(), {}));
    chain_restore_check();
    EXPECT_FALSE(std::filesystem::exists(work / "chainAB1.tmp"));
    EXPECT_EQ(std::filesystem::current_path(), work / "saved");
    EXPECT_EQ(text_of(command_line), "save");

    // Without the marker nothing is looked at.
    make_command_line("save chainAB1.tmp");
    chain_restore_check();
    EXPECT_EQ(text_of(command_line), "save chainAB1.tmp");
    std::filesystem::remove_all(work);
}
