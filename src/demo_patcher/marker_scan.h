// The byte-level core of the tool: the marker table and a scanner over
// spans of bytes. Nothing here does I/O, so tests and fuzzers can drive it
// directly; the streaming loop below is handed its reader and its match
// handler by the caller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

#include "io_error.h"

namespace quorvane {

// Every marker and every replacement is this long.
inline constexpr std::size_t marker_length = 11;

enum class marker_kind : std::uint8_t { command_menu, scoreboard };

struct marker_rule {
    std::string_view marker;       // the bytes to find
    std::string_view replacement;  // written over them; differs in one byte
    marker_kind kind;
};

// Tried in this order at every "+". No marker holds a "+" after its first
// byte, so two matches can never overlap.
inline constexpr std::array<marker_rule, 2> marker_table{{
    {"+commandmen", "+c0mmandmen", marker_kind::command_menu},
    {"+showscores", "+sh0wscores", marker_kind::scoreboard},
}};

struct marker_match {
    std::size_t offset;  // where the marker starts, relative to the span
    const marker_rule* rule;
};

// Finds the first marker that starts at or after `from` and whose
// marker_length bytes all lie inside `bytes`, with the fastest of the
// scan methods below.
std::optional<marker_match> find_marker(std::span<const unsigned char> bytes,
                                        std::size_t from) noexcept;

// One way of doing find_marker's work; every method gives the same result.
using marker_finder = std::optional<marker_match> (*)(std::span<const unsigned char> bytes,
                                                      std::size_t from) noexcept;
struct scan_method {
    std::string_view name;
    marker_finder find;
};

// The methods that this build has and this processor can run, fastest
// first. Tests run every one of them.
std::span<const scan_method> scan_methods() noexcept;

// Streams `size` bytes through `buffer` and calls
// `on_match(file_offset, rule)` for every marker, in file order.
//
// `read(offset, dest)` must fill `dest` with the bytes at `offset` or return
// an error. `on_match` returns an error to stop the scan. The last
// marker_length - 1 bytes of each window are carried over to the front of
// the buffer, so a marker split across two reads is still found, and every
// offset is examined exactly once: the result is the same as a single scan
// of the whole file. Reads are buffer.size() - (marker_length - 1) bytes
// long, so `buffer` must be longer than that carry-over.
template <class Read, class OnMatch>
std::optional<io_error> stream_markers(std::uint64_t size, std::span<unsigned char> buffer,
                                       Read&& read, OnMatch&& on_match,
                                       marker_finder find = find_marker) {
    constexpr std::size_t carry_max = marker_length - 1;
    if (buffer.size() <= carry_max) {
        return io_error{"scan failed: buffer too small"};
    }
    std::size_t carry = 0;
    std::uint64_t offset = 0;  // file offset of buffer[carry]
    while (offset < size) {
        // Every read but the last is a whole chunk, so reads start at
        // multiples of the chunk size.
        const std::size_t chunk = buffer.size() - carry_max;
        const std::size_t want =
            size - offset < chunk ? static_cast<std::size_t>(size - offset) : chunk;
        if (auto error = read(offset, buffer.subspan(carry, want))) {
            return error;
        }
        const auto window = std::span<const unsigned char>(buffer.data(), carry + want);
        const std::uint64_t window_start = offset - carry;
        for (auto match = find(window, 0); match; match = find(window, match->offset + 1)) {
            if (auto error = on_match(window_start + match->offset, *match->rule)) {
                return error;
            }
        }
        offset += want;
        carry = window.size() < carry_max ? window.size() : carry_max;
        std::memmove(buffer.data(), window.data() + window.size() - carry, carry);
    }
    return std::nullopt;
}

}  // namespace quorvane
