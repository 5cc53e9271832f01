// The scan for x86-64 processors with AVX2, chosen at run time. It looks
// at 64 start positions a step for a "+"; only in a step that has one does
// it look for a "+" followed by the second byte of a marker ("c" or "s"),
// so the full comparison runs only at the few positions that pass, and a
// lone "+", one in every few hundred bytes of a demo, costs little.
#include <immintrin.h>

#include <cstdint>

#include "marker_scan_detail.h"

namespace quorvane::detail {

namespace {

const __m256i* as_vector(const unsigned char* at) noexcept {
    return reinterpret_cast<const __m256i*>(at);
}

// The candidates among the 32 positions at `at` that hold a "+" (`plus`):
// those followed by a "c" or an "s". The two letters differ only in bit
// 0x10, so one comparison of (byte | 0x10) with "s" finds both.
__attribute__((target("avx2"))) inline unsigned candidates(const unsigned char* at,
                                                           __m256i plus) noexcept {
    const __m256i next = _mm256_loadu_si256(as_vector(at + 1));
    const __m256i letter =
        _mm256_cmpeq_epi8(_mm256_or_si256(next, _mm256_set1_epi8(0x10)), _mm256_set1_epi8('s'));
    return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(plus, letter)));
}

}  // namespace

__attribute__((target("avx2"))) std::optional<marker_match> find_marker_avx2(
    std::span<const unsigned char> bytes, std::size_t from) noexcept {
    if (bytes.size() < marker_length || from > bytes.size() - marker_length) {
        return std::nullopt;
    }
    static_assert(marker_table[0].marker[1] == 'c' && marker_table[1].marker[1] == 's');
    static_assert(('c' | 0x10) == 's' && ('s' | 0x10) == 's');
    const unsigned char* const first = bytes.data();
    const std::size_t starts = bytes.size() - marker_length + 1;  // positions to examine
    const __m256i plus_sign = _mm256_set1_epi8('+');
    std::size_t at = from;
    // One position at a time up to a 64-byte boundary, so that the wide
    // loads below never straddle two cache lines.
    const auto misalignment = reinterpret_cast<std::uintptr_t>(first + at) % 64;
    const std::size_t aligned = misalignment == 0 ? at : at + 64 - misalignment;
    for (; at < aligned && at < starts; ++at) {
        if (first[at] == '+') {
            if (const marker_rule* rule = rule_at(first + at)) {
                return marker_match{at, rule};
            }
        }
    }
    // 64 positions a step, at .. at + 63, reading bytes at .. at + 64: all
    // inside the buffer, since at + 64 <= starts <= size - 10. Most steps
    // hold no "+" and end after two comparisons.
    for (; at + 64 <= starts; at += 64) {
        const __m256i low = _mm256_cmpeq_epi8(_mm256_load_si256(as_vector(first + at)), plus_sign);
        const __m256i high =
            _mm256_cmpeq_epi8(_mm256_load_si256(as_vector(first + at + 32)), plus_sign);
        const __m256i any = _mm256_or_si256(low, high);
        if (_mm256_testz_si256(any, any) != 0) {
            continue;
        }
        std::uint64_t mask = candidates(first + at, low) |
                             static_cast<std::uint64_t>(candidates(first + at + 32, high)) << 32U;
        while (mask != 0) {
            const std::size_t position = at + static_cast<unsigned>(__builtin_ctzll(mask));
            if (const marker_rule* rule = rule_at(first + position)) {
                return marker_match{position, rule};
            }
            mask &= mask - 1;
        }
    }
    return find_marker_portable(bytes, at);  // the last few positions
}

bool avx2_supported() noexcept { return static_cast<bool>(__builtin_cpu_supports("avx2")); }

}  // namespace quorvane::detail
