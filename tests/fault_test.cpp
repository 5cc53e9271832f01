// Failures the tool cannot prevent, made to happen on purpose: I/O errors
// injected with libfiu's fiu-run, and the tool killed at random moments.
// Whatever happens, the file keeps its length and differs from the original
// only at replaced marker bytes, a failure says so, and a clean rerun
// gives the finished file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "demo_patcher.h"
#include "test_support.h"

namespace quorvane::testing {
namespace {

// Pseudo-random bytes without a "+", with markers in every read chunk:
// in the middle, straddling the chunk's end, and at the end of the file.
std::string demo_with_markers(std::size_t chunks, std::size_t spacing = 0) {
    // One chunk of random bytes, repeated: quick to make even for 256 MiB.
    std::string block(read_chunk_size, '\0');
    std::minstd_rand random(42);
    for (char& byte : block) {
        byte = static_cast<char>(random() % 256);
        byte = byte == '+' ? '*' : byte;
    }
    std::string bytes;
    bytes.reserve(chunks * read_chunk_size + 123);
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        bytes += block;
    }
    bytes.append(block, 0, 123);
    const auto plant = [&bytes](std::size_t at, std::size_t kind) {
        bytes.replace(at, 11, kind % 2 == 0 ? "+showscores" : "+commandmen");
    };
    if (spacing != 0) {
        for (std::size_t at = 100, kind = 0; at + 11 < bytes.size(); at += spacing, ++kind) {
            plant(at, kind);
        }
    }
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        plant(chunk * read_chunk_size + 1000, chunk);
        plant((chunk + 1) * read_chunk_size - 5, chunk + 1);
    }
    plant(bytes.size() - 11, 0);
    return bytes;
}

// Every byte that differs from `original` must be one that the finished
// file has too: a replaced marker byte.
void expect_only_marker_bytes_changed(const std::string& original, const std::string& now,
                                      const std::string& finished) {
    ASSERT_EQ(now.size(), original.size()) << "the file's length changed";
    constexpr std::size_t block = 4096;  // compare whole blocks first: 256 MiB is a lot of bytes
    std::size_t stray = 0;
    for (std::size_t at = 0; at < now.size(); at += block) {
        const std::size_t length = std::min(block, now.size() - at);
        if (now.compare(at, length, original, at, length) == 0) {
            continue;
        }
        for (std::size_t i = at; i < at + length; ++i) {
            if (now[i] != original[i] && now[i] != finished[i]) {
                ADD_FAILURE() << "byte " << i << " is neither old nor patched";
                if (++stray == 5) {
                    return;
                }
            }
        }
    }
}

// A clean rerun finishes the job and says how much it still had to do.
void expect_rerun_finishes(const std::string& path, const std::string& finished) {
    const reference_result rest = reference_patch(read_file(path));
    const run_result rerun = run_program(QUORVANE_BINARY, {path});
    EXPECT_EQ(rerun.status, 0) << rerun.output;
    EXPECT_EQ(rerun.output, done_output(path, rest.command_menu, rest.scoreboard));
    EXPECT_TRUE(read_file(path) == finished) << "a rerun did not give the finished bytes";
}

enum class outcome { completes, fails, either };

struct fault_case {
    const char* name;
    std::string fiu_command;
    outcome expected;
    std::string reason;  // of the could-not-patch line, where the run fails
    friend void PrintTo(const fault_case& c, std::ostream* out) { *out << c.name; }
};

const std::vector<fault_case>& fault_cases() {
    static const std::vector<fault_case> cases{
        {"every_read_fails", "enable name=posix/io/rw/pread,failinfo=5", outcome::fails,
         "read failed: Input/output error"},
        {"every_write_fails", "enable name=posix/io/rw/pwrite,failinfo=28", outcome::fails,
         "write failed: No space left on device"},
        {"sync_fails", "enable name=posix/io/sync/fdatasync,failinfo=5", outcome::fails,
         "sync failed: Input/output error"},
        {"close_fails", "enable name=posix/io/oc/close,failinfo=5", outcome::fails,
         "close failed: Input/output error"},
        {"reads_fail_at_random", "enable_random name=posix/io/rw/pread,probability=0.2,failinfo=5",
         outcome::either, "read failed: Input/output error"},
        {"writes_fail_at_random",
         "enable_random name=posix/io/rw/pwrite,probability=0.1,failinfo=28", outcome::either,
         "write failed: No space left on device"},
        {"short_reads", "enable name=posix/io/rw/pread/reduce", outcome::completes, ""},
        {"short_writes", "enable name=posix/io/rw/pwrite/reduce", outcome::completes, ""},
        {"reads_interrupted", "enable_random name=posix/io/rw/pread,probability=0.5,failinfo=4",
         outcome::completes, ""},
        {"writes_interrupted", "enable_random name=posix/io/rw/pwrite,probability=0.5,failinfo=4",
         outcome::completes, ""},
    };
    return cases;
}

class injected_fault : public ::testing::TestWithParam<fault_case> {
protected:
    void SetUp() override {
        if (std::string(QUORVANE_FIU_RUN).empty()) {
            const char* ci = std::getenv("CI");
            if (ci != nullptr && std::string(ci) == "true") {
                FAIL() << "fiu-run is not installed, and CI must inject the faults";
            }
            GTEST_SKIP() << "fiu-run is not installed (Debian: fiu-utils); no faults injected";
        }
    }
    temp_dir dir_;
};

TEST_P(injected_fault, leaves_only_replaced_marker_bytes_and_says_so) {
    const fault_case& c = GetParam();
    const std::string original = demo_with_markers(5);
    const reference_result all = reference_patch(original);
    const std::string& finished = all.bytes;
    const std::string path = dir_.file("demo.dem");
    // A random fault may or may not strike in one run; a few runs see both.
    const int runs = c.expected == outcome::either ? 4 : 1;
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        write_file(path, original);
        const run_result faulty = run_program(
            QUORVANE_FIU_RUN, {"-x", "-f", "", "-c", c.fiu_command, QUORVANE_BINARY, path});
        const bool failed = faulty.status != 0;
        if (c.expected != outcome::either) {
            EXPECT_EQ(failed, c.expected == outcome::fails) << faulty.output;
        }
        if (failed) {
            EXPECT_EQ(faulty.status, 1);
            EXPECT_EQ(faulty.output, failed_output(path, c.reason));
        } else {
            EXPECT_EQ(faulty.output, done_output(path, all.command_menu, all.scoreboard));
        }
        const std::string now = read_file(path);
        expect_only_marker_bytes_changed(original, now, finished);
        if (!failed) {
            EXPECT_TRUE(now == finished) << "a completed run left unpatched markers";
        }
        expect_rerun_finishes(path, finished);
    }
}

INSTANTIATE_TEST_SUITE_P(table, injected_fault, ::testing::ValuesIn(fault_cases()), case_name{});

// kill -9 at random moments, both while the file is scanned and written
// and while the writes are flushed to the disk.
TEST(killed, at_random_moments_the_file_holds_only_replaced_marker_bytes) {
    temp_dir dir;
    const std::string original = demo_with_markers(1024, 65537);  // 256 MiB, 4,000 markers
    const std::string finished = reference_patch(original).bytes;
    const std::string path = dir.file("demo.dem");

    // How long a whole run takes, and how long the scan alone (no writes).
    using clock = std::chrono::steady_clock;
    write_file(path, original);
    auto start = clock::now();
    ASSERT_EQ(run_program(QUORVANE_BINARY, {path}).status, 0);
    const auto whole_run = clock::now() - start;
    ASSERT_TRUE(read_file(path) == finished);
    start = clock::now();
    ASSERT_EQ(run_program(QUORVANE_BINARY, {path}).status, 0);
    const auto scan_only = clock::now() - start;

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int killed = 0;
    constexpr int kills = 8;
    for (int round = 0; round < kills; ++round) {
        write_file(path, original);
        const auto span = round % 2 == 0 ? scan_only : whole_run;
        const auto limit = std::chrono::duration_cast<std::chrono::microseconds>(span).count();
        const std::chrono::microseconds delay(
            std::uniform_int_distribution<long long>(0, limit)(random));
        SCOPED_TRACE("kill after " + std::to_string(delay.count()) + " us");
        const int status = run_and_kill(QUORVANE_BINARY, {path}, delay);
        ASSERT_TRUE(status == 128 + 9 || status == 0) << "status " << status;
        killed += status == 128 + 9 ? 1 : 0;
        expect_only_marker_bytes_changed(original, read_file(path), finished);
        expect_rerun_finishes(path, finished);
    }
    EXPECT_GT(killed, 0) << "every run finished before its kill";
}

}  // namespace
}  // namespace quorvane::testing
