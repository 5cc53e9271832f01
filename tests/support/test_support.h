// Helpers shared by the tests: temporary folders, whole-file I/O, running a
// program and capturing what it prints, SHA-256, and a reference patcher.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::testing {

// A fresh, uniquely named folder under the system's temporary folder,
// removed with everything in it when the object goes away.
class temp_dir {
public:
    temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    ~temp_dir();

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::string file(std::string_view name) const;

private:
    std::filesystem::path path_;
};

// Every path in the tests is a UTF-8 string, as the tool sees it; these
// convert to and from the file system's own paths (UTF-16 on Windows).
std::filesystem::path utf8_path(std::string_view text);
std::string path_utf8(const std::filesystem::path& path);

// How the tool ends each line it prints.
#ifdef _WIN32
inline constexpr std::string_view line_end = "\r\n";
#else
inline constexpr std::string_view line_end = "\n";
#endif

std::string read_file(const std::string& path);
void write_file(const std::string& path, std::string_view bytes);

struct run_result {
    int status = -1;     // the exit status, or 128 + the signal that ended it
    std::string output;  // everything written to standard output
};

// A run's status and output, for failure messages.
std::string describe(const run_result& run);

// Called with all the output so far, each time more of it arrives.
using output_watcher = std::function<void(const std::string&)>;

// Runs `program` with `args` (no shell), standard input from the null
// device, in folder `cwd` if given. A run that takes over
// `timeout_seconds` is killed.
run_result run_program(const std::string& program, const std::vector<std::string>& args,
                       const std::string& cwd = {}, const output_watcher& watch = {},
                       unsigned timeout_seconds = 120);

// Starts `program` with `args`, its output discarded, kills it with
// SIGKILL after `delay` and returns its status (128 + 9 if the kill ended
// it, its exit status if it had finished first). POSIX only.
int run_and_kill(const std::string& program, const std::vector<std::string>& args,
                 std::chrono::microseconds delay);

// Lower-case hex SHA-256 of a byte string and of a file.
std::string sha256_hex(std::string_view bytes);
std::string sha256_file(const std::string& path);

// What a correct run makes of `bytes`, written plainly and separately from
// the tool's scanner: every "+commandmen" and "+showscores" whose eleven
// bytes lie inside, rewritten.
struct reference_result {
    std::string bytes;
    std::uint64_t command_menu = 0;
    std::uint64_t scoreboard = 0;
};
reference_result reference_patch(std::string bytes);

// Names each row of a parameterised table after its `name` field.
struct case_name {
    template <class T>
    std::string operator()(const ::testing::TestParamInfo<T>& row) const {
        return row.param.name;
    }
};

// The three lines of a completed run.
std::string done_output(std::string_view path, std::uint64_t command_menu,
                        std::uint64_t scoreboard);

// The two lines of a run that failed after the file was opened.
std::string failed_output(std::string_view path, std::string_view reason);

}  // namespace quorvane::testing
