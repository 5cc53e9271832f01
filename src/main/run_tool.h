#pragma once

#include <span>
#include <string>

namespace quorvane {

// Exit statuses.
inline constexpr int exit_done = 0;    // the run completed
inline constexpr int exit_failed = 1;  // the file could not be opened or patched
inline constexpr int exit_usage = 2;   // the usage line was printed

// Runs the tool on the arguments (UTF-8 on Windows) that follow the program
// name and returns the exit status. Every line goes to standard output and
// is flushed at once. No exception escapes.
int run_tool(std::span<const std::string> args);

}  // namespace quorvane
