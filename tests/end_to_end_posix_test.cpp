// End-to-end cases that only POSIX systems have: file permissions,
// symbolic links, and other programs changing the file during a run.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace quorvane::testing {
namespace {

run_result run_tool_with(const std::vector<std::string>& args) {
    return run_program(QUORVANE_BINARY, args);
}

class end_to_end : public ::testing::Test {
protected:
    temp_dir dir_;
};

TEST_F(end_to_end, read_only_file_is_not_opened_and_stays_unchanged) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root, which may write a read-only file";
    }
    const std::string path = dir_.file("readonly.dem");
    write_file(path, "+showscores");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    const run_result run = run_tool_with({path});
    EXPECT_EQ(run.status, 1) << describe(run);
    EXPECT_EQ(run.output, "Could not open " + path + "\n");
    EXPECT_EQ(read_file(path), "+showscores");
}

TEST_F(end_to_end, symlink_is_followed_to_the_file) {
    const std::string target = dir_.file("real.dem");
    write_file(target, "+showscores");
    std::filesystem::create_symlink(target, dir_.path() / "link.dem");
    const run_result run = run_tool_with({dir_.file("link.dem")});
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(read_file(target), "+sh0wscores");
    EXPECT_TRUE(std::filesystem::is_symlink(dir_.path() / "link.dem"));
}

// Another program cuts the file short while the tool reads it: the tool
// says so and stops, and the marker beyond the new end is not written,
// which would extend the file again.
TEST_F(end_to_end, file_truncated_during_the_run_is_reported_and_not_extended) {
    constexpr std::uint64_t size = std::uint64_t{4} << 30;  // about a second to read
    constexpr std::uint64_t cut = std::uint64_t{1} << 20;
    const std::string path = dir_.file("shrinking.dem");
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        ASSERT_EQ(::pwrite(fd, "+showscores", 11, static_cast<off_t>(size / 2)), 11);
        ASSERT_EQ(::close(fd), 0);
    }
    bool truncated = false;
    const auto cut_when_working = [&](const std::string& output) {
        if (!truncated && output.find("...\n") != std::string::npos) {
            std::filesystem::resize_file(path, cut);
            truncated = true;
        }
    };
    const run_result run = run_program(QUORVANE_BINARY, {path}, {}, cut_when_working);
    ASSERT_TRUE(truncated);
    EXPECT_EQ(run.status, 1) << describe(run);
    EXPECT_EQ(run.output,
              failed_output(path, "read failed: the file shrank to 1048576 bytes during the run"));
    EXPECT_EQ(std::filesystem::file_size(path), cut);
    EXPECT_EQ(read_file(path), std::string(cut, '\0'));
}

// Bytes appended while the tool runs lie beyond the size it took at the
// start: they are neither scanned nor changed, and the run completes.
TEST_F(end_to_end, bytes_appended_during_the_run_are_left_alone) {
    constexpr std::uint64_t size = std::uint64_t{4} << 30;
    const std::string path = dir_.file("growing.dem");
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        ASSERT_EQ(::pwrite(fd, "+showscores", 11, static_cast<off_t>(size - 11)), 11);
        ASSERT_EQ(::close(fd), 0);
    }
    bool appended = false;
    const auto append_when_working = [&](const std::string& output) {
        if (!appended && output.find("...\n") != std::string::npos) {
            std::ofstream(path, std::ios::binary | std::ios::app) << "+showscores";
            appended = true;
        }
    };
    const run_result run = run_program(QUORVANE_BINARY, {path}, {}, append_when_working);
    ASSERT_TRUE(appended);
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(run.output, done_output(path, 0, 1));
    EXPECT_EQ(std::filesystem::file_size(path), size + 11);
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size - 11));
    std::string tail(22, '?');
    in.read(tail.data(), 22);
    EXPECT_EQ(tail, "+sh0wscores+showscores");
}

}  // namespace
}  // namespace quorvane::testing
