// The file operations the patcher needs, one implementation per operating
// system (chosen by the build). Sizes and offsets are 64-bit everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "io_error.h"

namespace quorvane {

template <class T>
struct io_result {
    T value{};
    std::optional<io_error> error;
};

// An open regular file, for reading and writing. Move-only; the destructor
// closes it quietly, close() closes it and reports what went wrong.
class os_file {
public:
    // Opens an existing regular file for update without creating,
    // truncating or locking it. Anything else (a directory, a FIFO, a
    // device) is refused at once, without blocking.
    static std::optional<os_file> open_for_update(const std::string& path);

    os_file(os_file&& other) noexcept;
    os_file& operator=(os_file&& other) noexcept;
    os_file(const os_file&) = delete;
    os_file& operator=(const os_file&) = delete;
    ~os_file();

    // The current size of the file.
    [[nodiscard]] io_result<std::uint64_t> size() const;

    // Hints that the file will be read once, from start to end.
    void advise_sequential() const noexcept;

    // Fills `dest` with the bytes at `offset`, however many reads it takes.
    // A file that ends before `dest` is full is an error.
    [[nodiscard]] std::optional<io_error> read_exact_at(std::uint64_t offset,
                                                        std::span<unsigned char> dest) const;

    // Writes all of `src` at `offset`, however many writes it takes.
    [[nodiscard]] std::optional<io_error> write_all_at(std::uint64_t offset,
                                                       std::span<const unsigned char> src) const;

    // Waits until the written data has reached the storage device, so that
    // a failure to store it is reported here rather than lost.
    [[nodiscard]] std::optional<io_error> sync() const;

    // Closes the file; it is closed afterwards even if this reports an error.
    [[nodiscard]] std::optional<io_error> close();

private:
    explicit os_file(std::intptr_t handle) noexcept : handle_(handle) {}

    static constexpr std::intptr_t no_handle = -1;
    std::intptr_t handle_ = no_handle;  // a descriptor or a system handle
};

// The error for a file that another program cut short during the run,
// `now` being what its size is now (or the error in asking for it).
io_error shrank_error(std::string_view operation, const io_result<std::uint64_t>& now);

}  // namespace quorvane
