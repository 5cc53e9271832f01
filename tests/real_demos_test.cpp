// Patches a copy of each real recording listed in the demos folder's
// MANIFEST.tsv and checks the counts, the bytes (by SHA-256, and at every
// listed offset) and that a second run changes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace quorvane::testing {
namespace {

struct manifest_row {
    std::string file;
    std::uint64_t size = 0;
    std::string sha256_before;
    std::string sha256_after;
    std::uint64_t command_menu = 0;
    std::uint64_t scoreboard = 0;
    std::vector<std::uint64_t> marker_offsets;
};

std::filesystem::path demos_dir() {
    const char* override_dir = std::getenv("QUORVANE_DEMOS");
    return override_dir != nullptr ? override_dir : QUORVANE_DEMOS_DIR;
}

std::vector<manifest_row> read_manifest(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<manifest_row> rows;
    std::string line;
    std::getline(in, line);  // the column names
    while (std::getline(in, line)) {
        if (line.empty()) {
            continue;
        }
        std::istringstream fields(line);
        manifest_row row;
        std::string offsets;
        fields >> row.file >> row.size >> row.sha256_before >> row.sha256_after >>
            row.command_menu >> row.scoreboard >> offsets;
        if (!fields) {
            throw std::runtime_error("bad manifest line: " + line);
        }
        std::istringstream list(offsets == "-" ? "" : offsets);
        for (std::string offset; std::getline(list, offset, ',');) {
            row.marker_offsets.push_back(std::stoull(offset));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

TEST(real_demos, each_recording_is_patched_as_the_manifest_says) {
    const std::filesystem::path dir = demos_dir();
    if (!std::filesystem::exists(dir / "MANIFEST.tsv")) {
        GTEST_SKIP() << "no real recordings: " << (dir / "MANIFEST.tsv").string()
                     << " is absent (set QUORVANE_DEMOS to their folder)";
    }
    const std::vector<manifest_row> rows = read_manifest(dir / "MANIFEST.tsv");
    ASSERT_FALSE(rows.empty());
    temp_dir work;
    for (const manifest_row& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string original = read_file((dir / row.file).string());
        ASSERT_EQ(original.size(), row.size);
        ASSERT_EQ(sha256_hex(original), row.sha256_before);
        const std::string copy = work.file(row.file);
        write_file(copy, original);

        const run_result first = run_program(QUORVANE_BINARY, {copy});
        EXPECT_EQ(first.status, 0) << first.output;
        EXPECT_EQ(first.output, done_output(copy, row.command_menu, row.scoreboard));
        const std::string patched = read_file(copy);
        EXPECT_EQ(sha256_hex(patched), row.sha256_after);
        ASSERT_EQ(patched.size(), original.size());
        std::vector<std::uint64_t> changed;
        for (std::size_t i = 0; i < patched.size(); ++i) {
            if (patched[i] != original[i]) {
                changed.push_back(i - (original[i - 2] == '+' ? 2 : 3));  // the marker's start
            }
        }
        EXPECT_EQ(changed, row.marker_offsets);

        const run_result second = run_program(QUORVANE_BINARY, {copy});
        EXPECT_EQ(second.status, 0) << second.output;
        EXPECT_EQ(second.output, done_output(copy, 0, 0));
        EXPECT_EQ(sha256_file(copy), row.sha256_after);
    }
}

}  // namespace
}  // namespace quorvane::testing
