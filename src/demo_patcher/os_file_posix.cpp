// POSIX file layer: open(2), pread(2), pwrite(2), fstat(2), fdatasync(2).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include "os_file.h"

namespace quorvane {
namespace {

static_assert(sizeof(off_t) == 8, "build with 64-bit file offsets");

io_error system_error(std::string_view operation, int code) {
    std::string text(operation);
    text += " failed: ";
    text += std::strerror(code);
    return io_error{std::move(text)};
}

int descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

// The largest single transfer asked of the kernel; Linux moves at most
// about 2 GiB per call anyway, and this keeps ssize_t arithmetic exact.
constexpr std::size_t max_transfer = std::size_t{1} << 30;

}  // namespace

std::optional<os_file> os_file::open_for_update(const std::string& path) {
    // Look before opening: merely opening some devices has effects (a tape
    // rewinds, a watchdog starts), so only a regular file is opened at all.
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode)) {
        return std::nullopt;
    }
    // The path may have been replaced since; check what was opened, too.
    // O_NONBLOCK keeps a FIFO from blocking the open; it is cleared again
    // once the file is known to be a regular one.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return std::nullopt;
    }
    os_file file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return std::nullopt;
    }
    return file;
}

io_result<std::uint64_t> os_file::size() const {
    struct stat info {};
    if (::fstat(descriptor(handle_), &info) != 0) {
        return {0, system_error("size", errno)};
    }
    return {static_cast<std::uint64_t>(info.st_size), std::nullopt};
}

void os_file::advise_sequential() const noexcept {
    (void)::posix_fadvise(descriptor(handle_), 0, 0, POSIX_FADV_SEQUENTIAL);
}

std::optional<io_error> os_file::read_exact_at(std::uint64_t offset,
                                               std::span<unsigned char> dest) const {
    while (!dest.empty()) {
        const std::size_t want = dest.size() < max_transfer ? dest.size() : max_transfer;
        const ssize_t got =
            ::pread(descriptor(handle_), dest.data(), want, static_cast<off_t>(offset));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return system_error("read", errno);
        }
        if (got == 0) {
            // Another program cut the file short; say how short it is now.
            return shrank_error("read", size());
        }
        offset += static_cast<std::uint64_t>(got);
        dest = dest.subspan(static_cast<std::size_t>(got));
    }
    return std::nullopt;
}

std::optional<io_error> os_file::write_all_at(std::uint64_t offset,
                                              std::span<const unsigned char> src) const {
    while (!src.empty()) {
        const std::size_t want = src.size() < max_transfer ? src.size() : max_transfer;
        const ssize_t put =
            ::pwrite(descriptor(handle_), src.data(), want, static_cast<off_t>(offset));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return system_error("write", errno);
        }
        if (put == 0) {
            return system_error("write", EIO);
        }
        offset += static_cast<std::uint64_t>(put);
        src = src.subspan(static_cast<std::size_t>(put));
    }
    return std::nullopt;
}

std::optional<io_error> os_file::sync() const {
    int result = 0;
    do {
        result = ::fdatasync(descriptor(handle_));
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        return system_error("sync", errno);
    }
    return std::nullopt;
}

std::optional<io_error> os_file::close() {
    if (handle_ == no_handle) {
        return std::nullopt;
    }
    // Never retried: after close(2) returns, even with EINTR, the
    // descriptor is gone and may already belong to someone else.
    const int result = ::close(descriptor(std::exchange(handle_, no_handle)));
    if (result != 0) {
        return system_error("close", errno);
    }
    return std::nullopt;
}

}  // namespace quorvane
