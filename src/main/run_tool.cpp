#include "run_tool.h"

#include <exception>
#include <initializer_list>
#include <string_view>

#include "console.h"
#include "demo_patcher.h"

namespace quorvane {
namespace {

// Joins the pieces into one line and writes it, flushed at once, so that
// each line shows as soon as it is printed (the progress line before a
// long read).
void print_line(std::initializer_list<std::string_view> pieces) {
    std::string line;
    for (const std::string_view piece : pieces) {
        line += piece;
    }
    write_line(line);
}

int run(std::span<const std::string> args) {
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

}  // namespace

int run_tool(std::span<const std::string> args) {
    try {
        return run(args);
    } catch (const std::exception& error) {
        print_line({"Internal error: ", error.what()});
    } catch (...) {
        print_line({"Internal error"});
    }
    return exit_failed;
}

}  // namespace quorvane
