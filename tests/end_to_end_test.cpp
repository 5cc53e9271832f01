// Runs the built tool on files in a fresh temporary folder and checks its
// exact output, its exit status and the bytes it leaves on disk.
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo_patcher.h"
#include "test_support.h"

namespace quorvane::testing {
namespace {

using namespace std::string_literals;

const std::string usage_output = "Usage: Quorvane.exe <demofilename.dem>" + std::string(line_end);

run_result run_tool_with(const std::vector<std::string>& args, const std::string& cwd = {}) {
    return run_program(QUORVANE_BINARY, args, cwd);
}

struct content_case {
    const char* name;
    std::string bytes;
    std::uint64_t command_menu;
    std::uint64_t scoreboard;
    friend void PrintTo(const content_case& c, std::ostream* out) { *out << c.name; }
};

std::string with_marker_at(std::size_t size, std::size_t at, std::string_view marker) {
    std::string bytes(size, 'z');
    bytes.replace(at, marker.size(), marker);
    return bytes;
}

const std::vector<content_case>& content_cases() {
    static const std::vector<content_case> cases{
        {"empty_file", "", 0, 0},
        {"no_markers", "HLDEMO\0\0 -showscores +sh0wscores +Commandmenu"s, 0, 0},
        {"scoreboard_is_all_eleven_bytes", "+showscores", 0, 1},
        {"command_menu_and_u_twelve_bytes", "+commandmenu", 1, 0},
        {"command_menu_thirteen_bytes", "+commandmenu\n", 1, 0},
        {"scoreboard_at_size_minus_eleven", with_marker_at(100, 89, "+showscores"), 0, 1},
        {"scoreboard_at_size_minus_twelve", with_marker_at(100, 88, "+showscores"), 0, 1},
        {"three_menus_one_scoreboard", "+commandmenu\0+commandmenu\0+showscores\0+commandmenu\0"s,
         3, 1},
        {"two_scoreboards_in_a_row", "..+showscores+showscores..", 0, 2},
        {"every_byte_plus", std::string(4096, '+'), 0, 0},
        {"marker_across_the_read_boundary",
         with_marker_at(read_chunk_size + 64, read_chunk_size - 5, "+commandmenu"), 1, 0},
        {"marker_at_the_end_of_a_multi_chunk_file",
         with_marker_at(3 * read_chunk_size + 7, 3 * read_chunk_size - 4, "+showscores"), 0, 1},
    };
    return cases;
}

class content : public ::testing::TestWithParam<content_case> {
protected:
    temp_dir dir_;
};

TEST_P(content, patches_every_marker_and_nothing_else_and_a_rerun_changes_nothing) {
    const content_case& c = GetParam();
    const reference_result expected = reference_patch(c.bytes);
    ASSERT_EQ(expected.command_menu, c.command_menu);
    ASSERT_EQ(expected.scoreboard, c.scoreboard);
    const std::string path = dir_.file("demo.dem");
    write_file(path, c.bytes);

    const run_result first = run_tool_with({path});
    EXPECT_EQ(first.status, 0) << describe(first);
    EXPECT_EQ(first.output, done_output(path, c.command_menu, c.scoreboard));
    EXPECT_TRUE(read_file(path) == expected.bytes) << "the file's bytes differ";

    const run_result second = run_tool_with({path});
    EXPECT_EQ(second.status, 0) << describe(second);
    EXPECT_EQ(second.output, done_output(path, 0, 0));
    EXPECT_TRUE(read_file(path) == expected.bytes) << "a second run changed the file";
}

INSTANTIATE_TEST_SUITE_P(table, content, ::testing::ValuesIn(content_cases()), case_name{});

class end_to_end : public ::testing::Test {
protected:
    temp_dir dir_;
};

TEST_F(end_to_end, no_argument_prints_usage) {
    const run_result run = run_tool_with({});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, usage_output);
}

TEST_F(end_to_end, two_arguments_print_usage_and_leave_the_file_alone) {
    const std::string path = dir_.file("demo.dem");
    write_file(path, "+showscores");
    const run_result run = run_tool_with({path, path});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, usage_output);
    EXPECT_EQ(read_file(path), "+showscores");
}

// Paths that cannot be opened for update: the could-not-open line, status
// 1, and nothing created. Run inside the temporary folder so relative names
// resolve there.
struct open_failure_case {
    const char* name;
    std::string path;  // relative to the temporary folder
    void (*prepare)(const temp_dir&);
    friend void PrintTo(const open_failure_case& c, std::ostream* out) { *out << c.name; }
};

const std::vector<open_failure_case>& open_failure_cases() {
    static const std::vector<open_failure_case> cases{
        {"missing_file", "missing.dem", nullptr},
        {"missing_folder", "no such folder/missing.dem", nullptr},
        {"empty_path", "", nullptr},
        {"looks_like_an_option", "--help", nullptr},
        {"directory", "folder.dem",
         [](const temp_dir& dir) { std::filesystem::create_directory(dir.path() / "folder.dem"); }},
#ifdef _WIN32
        {"nul_device", "NUL", nullptr},
        {"console_device", "CON", nullptr},
        {"directory_with_backslashes", "sub\\folder.dem",
         [](const temp_dir& dir) {
             std::filesystem::create_directories(dir.path() / "sub" / "folder.dem");
         }},
#else
        {"fifo", "pipe.dem",
         [](const temp_dir& dir) { ASSERT_EQ(::mkfifo(dir.file("pipe.dem").c_str(), 0600), 0); }},
        {"null_device", "/dev/null", nullptr},
        {"zero_device", "/dev/zero", nullptr},
        {"dangling_symlink", "dangling.dem",
         [](const temp_dir& dir) {
             std::filesystem::create_symlink(dir.path() / "gone.dem", dir.path() / "dangling.dem");
         }},
#endif
    };
    return cases;
}

class open_failure : public ::testing::TestWithParam<open_failure_case> {
protected:
    temp_dir dir_;
};

TEST_P(open_failure, prints_could_not_open_and_creates_nothing) {
    const open_failure_case& c = GetParam();
    if (c.prepare != nullptr) {
        c.prepare(dir_);
    }
    const auto before = std::distance(std::filesystem::directory_iterator(dir_.path()), {});
    const run_result run = run_tool_with({c.path}, dir_.path().string());
    EXPECT_EQ(run.status, 1) << describe(run);
    EXPECT_EQ(run.output, "Could not open " + c.path + std::string(line_end));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), before);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "gone.dem"));
}

INSTANTIATE_TEST_SUITE_P(table, open_failure, ::testing::ValuesIn(open_failure_cases()),
                         case_name{});

TEST_F(end_to_end, path_with_spaces_and_non_ascii_is_opened_and_echoed_unchanged) {
    const std::string name = "my d\xc3\xa9mo \xe2\x9c\x93 #1.dem";
    std::filesystem::create_directory(dir_.path() / "sub folder");
    const std::string relative = "sub folder/" + name;
    write_file(dir_.file(relative), "xx+showscores+commandmenu");
    const run_result run = run_tool_with({relative}, dir_.path().string());
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(run.output, done_output(relative, 1, 1));
    EXPECT_EQ(read_file(dir_.file(relative)), "xx+sh0wscores+c0mmandmenu");
}

// A sparse file past 4 GiB costs no disk. Markers just below 2 GiB, across
// 4 GiB, far beyond it and in its last eleven bytes show that no offset or
// size is cut to 32 bits.
TEST_F(end_to_end, sparse_file_past_four_gib) {
    constexpr std::uint64_t gib = std::uint64_t{1} << 30;
    constexpr std::uint64_t size = 5 * gib + 123;
    const std::string path = dir_.file("long.dem");
    struct planted {
        std::uint64_t offset;
        std::string marker;
        std::string replacement;
    };
    const std::vector<planted> markers{
        {2 * gib - 3, "+showscores", "+sh0wscores"},
        {4 * gib - 5, "+commandmen", "+c0mmandmen"},
        {4 * gib + 12345, "+showscores", "+sh0wscores"},
        {size - 11, "+showscores", "+sh0wscores"},
    };
    write_file(path, "");
    std::filesystem::resize_file(utf8_path(path), size);
    {
        std::fstream file(utf8_path(path), std::ios::in | std::ios::out | std::ios::binary);
        for (const planted& p : markers) {
            file.seekp(static_cast<std::streamoff>(p.offset));
            file.write(p.marker.data(), 11);
        }
        ASSERT_TRUE(file.good());
    }

    const run_result run = run_tool_with({path});
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(run.output, done_output(path, 1, 3));
    EXPECT_EQ(std::filesystem::file_size(utf8_path(path)), size);
    std::ifstream file(utf8_path(path), std::ios::binary);
    for (const planted& p : markers) {
        // The marker's bytes and the byte on either side of them.
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(13, size - p.offset + 1));
        std::string got(want, '?');
        file.seekg(static_cast<std::streamoff>(p.offset - 1));
        ASSERT_TRUE(file.read(got.data(), static_cast<std::streamsize>(want)));
        const std::string expected = ('\0' + p.replacement + '\0').substr(0, want);
        EXPECT_EQ(got, expected) << "at " << p.offset;
    }
}

// The sample that the README's first command makes and patches.
TEST_F(end_to_end, sample_demo_from_the_readme) {
    const std::string path = dir_.file("sample.dem");
    const run_result made = run_program(MAKE_SAMPLE_DEMO_BINARY, {path});
    ASSERT_EQ(made.status, 0) << describe(made);
    EXPECT_EQ(made.output, "Wrote " + path +
                               ": 262144 bytes, 2 commandmenu and 2 scoreboard markers" +
                               std::string(line_end));
    const reference_result expected = reference_patch(read_file(path));

    const run_result run = run_tool_with({path});
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(run.output, done_output(path, 2, 2));
    EXPECT_TRUE(read_file(path) == expected.bytes);
}

}  // namespace
}  // namespace quorvane::testing
