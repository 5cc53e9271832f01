#include "run_tool.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "demo_patcher.h"

namespace quorvane {
namespace {

// Writes the pieces one after another, then a newline, and flushes, so
// each line shows at once (the progress line before a long read).
void print_line(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) {
        std::fwrite(piece.data(), 1, piece.size(), stdout);
    }
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int run_tool(std::span<const std::string> args) {
    if (args.size() != 1) {
        print_line({"Usage: Quorvane.exe <demofilename.dem>"});
        return exit_usage;
    }
    const std::string& path = args.front();

    demo_patcher patcher;
    if (!patcher.open_demo(path)) {
        print_line({"Could not open ", path});
        return exit_failed;
    }
    print_line({"Working on ", path, "..."});

    const patch_outcome outcome = patcher.patch_markers();
    if (outcome.error) {
        print_line({"Could not patch ", path, ": ", outcome.error->text});
        return exit_failed;
    }
    const std::string command_menu = std::to_string(outcome.counts.command_menu);
    const std::string scoreboard = std::to_string(outcome.counts.scoreboard);
    print_line(
        {"Removed ", command_menu, " commandmenu popups and ", scoreboard, " scoreboard popups!"});
    print_line({"Tasselbury 2005"});
    return exit_done;
}

}  // namespace quorvane
