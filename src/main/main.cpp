#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "run_tool.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        return quorvane::run_tool(args);
    } catch (const std::exception& error) {
        std::printf("Internal error: %s\n", error.what());
    } catch (...) {
        std::printf("Internal error\n");
    }
    std::fflush(stdout);
    return quorvane::exit_failed;
}
