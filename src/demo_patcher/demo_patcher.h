// Finds the command-menu and scoreboard markers in a demo file and
// overwrites each one in place with its replacement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "io_error.h"
#include "marker_scan.h"
#include "os_file.h"

namespace quorvane {

struct patch_counts {
    std::uint64_t command_menu = 0;  // "+commandmen" replaced
    std::uint64_t scoreboard = 0;    // "+showscores" replaced
};

struct patch_outcome {
    patch_counts counts;  // replacements written, also those before an error
    std::optional<io_error> error;
};

// Bytes asked of each read: large enough that the cost of a read call
// vanishes, small enough that the chunk is still in the CPU's cache when it
// is scanned. Measured on 1 GiB files in the page cache (bench/README.md):
// 64 KiB to 512 KiB scan equally fast, 1 MiB is a little slower and 4 MiB
// about a fifth slower.
#ifndef QUORVANE_READ_CHUNK_KIB
#define QUORVANE_READ_CHUNK_KIB 256  // bench/chunk_sizes.sh builds other sizes to compare
#endif
inline constexpr std::size_t read_chunk_size = std::size_t{QUORVANE_READ_CHUNK_KIB} * 1024;

// Owns the demo file for one run: open_demo(), then patch_markers() once.
// Destroying the patcher closes the file if it is still open.
class demo_patcher {
public:
    // Opens an existing regular file for update and takes its size: what
    // is appended from here on is not scanned. False if it cannot be opened.
    bool open_demo(const std::string& path);

    // Streams the file once from start to end, replaces every marker whose
    // bytes all lie within the size taken at the open, then closes the
    // file. On an error the scan stops: replacements already written stay,
    // each a whole marker, and nothing else has changed.
    patch_outcome patch_markers();

private:
    std::optional<os_file> file_;
    io_result<std::uint64_t> size_;
};

}  // namespace quorvane
