#include <string>
#include <vector>

#include "run_tool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return quorvane::run_tool(args);
}
