#pragma once

#include <string>

namespace quorvane {

// A failed file operation, as one line of text that names the operation and
// gives the system's reason, e.g. "read failed: Input/output error".
struct io_error {
    std::string text;
};

}  // namespace quorvane
