#include <cstdio>

#include "console.h"

namespace quorvane {

void write_line(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace quorvane
