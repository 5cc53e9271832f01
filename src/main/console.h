// Standard output, one line at a time; one implementation per operating
// system (chosen by the build).
#pragma once

#include <string_view>

namespace quorvane {

// Writes `text` (UTF-8) and a line end to standard output, the way the
// system's console programs end their lines, and flushes at once.
void write_line(std::string_view text);

}  // namespace quorvane
