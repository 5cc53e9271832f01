// Shared by the scan methods; not part of the scanner's interface.
#pragma once

#include <cstring>
#include <optional>
#include <span>

#include "marker_scan.h"

namespace quorvane::detail {

// The rule whose marker starts at `at`, if any; marker_length bytes from
// `at` must be readable.
inline const marker_rule* rule_at(const unsigned char* at) noexcept {
    for (const marker_rule& rule : marker_table) {
        if (std::memcmp(at, rule.marker.data(), marker_length) == 0) {
            return &rule;
        }
    }
    return nullptr;
}

// Any processor: memchr to each "+", then the comparisons.
std::optional<marker_match> find_marker_portable(std::span<const unsigned char> bytes,
                                                 std::size_t from) noexcept;

// x86-64 with AVX2 (built where QUORVANE_HAVE_AVX2_SCAN is defined).
std::optional<marker_match> find_marker_avx2(std::span<const unsigned char> bytes,
                                             std::size_t from) noexcept;
bool avx2_supported() noexcept;

}  // namespace quorvane::detail
