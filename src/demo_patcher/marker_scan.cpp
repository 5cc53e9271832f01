#include "marker_scan.h"

#include <vector>

#include "marker_scan_detail.h"

namespace quorvane {
namespace detail {

std::optional<marker_match> find_marker_portable(std::span<const unsigned char> bytes,
                                                 std::size_t from) noexcept {
    // Only positions whose whole marker fits are examined.
    if (bytes.size() < marker_length || from > bytes.size() - marker_length) {
        return std::nullopt;
    }
    const unsigned char* const first = bytes.data();
    const unsigned char* const stop = first + (bytes.size() - marker_length + 1);
    const unsigned char* at = first + from;
    while (at < stop) {
        const auto* plus = static_cast<const unsigned char*>(
            std::memchr(at, '+', static_cast<std::size_t>(stop - at)));
        if (plus == nullptr) {
            return std::nullopt;
        }
        if (const marker_rule* rule = rule_at(plus)) {
            return marker_match{static_cast<std::size_t>(plus - first), rule};
        }
        at = plus + 1;
    }
    return std::nullopt;
}

}  // namespace detail

namespace {

std::vector<scan_method> available_methods() {
    std::vector<scan_method> methods;
#ifdef QUORVANE_HAVE_AVX2_SCAN
    if (detail::avx2_supported()) {
        methods.push_back({"avx2", detail::find_marker_avx2});
    }
#endif
    methods.push_back({"portable", detail::find_marker_portable});
    return methods;
}

}  // namespace

std::span<const scan_method> scan_methods() noexcept {
    static const std::vector<scan_method> methods = available_methods();
    return methods;
}

std::optional<marker_match> find_marker(std::span<const unsigned char> bytes,
                                        std::size_t from) noexcept {
    static const marker_finder fastest = scan_methods().front().find;
    return fastest(bytes, from);
}

}  // namespace quorvane
