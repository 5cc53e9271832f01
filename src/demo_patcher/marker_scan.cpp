#include "marker_scan.h"

namespace quorvane {

std::optional<marker_match> find_marker(std::span<const unsigned char> bytes,
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
        for (const marker_rule& rule : marker_table) {
            if (std::memcmp(plus, rule.marker.data(), marker_length) == 0) {
                return marker_match{static_cast<std::size_t>(plus - first), &rule};
            }
        }
        at = plus + 1;
    }
    return std::nullopt;
}

}  // namespace quorvane
