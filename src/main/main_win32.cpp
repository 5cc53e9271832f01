// The Windows entry point: the arguments arrive as UTF-16 and go on as
// UTF-8, so any path opens and echoes unchanged, whatever the code page.
#include <string>
#include <vector>

#include "run_tool.h"
#include "text_win32.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(quorvane::to_utf8(argv[i]));
    }
    return quorvane::run_tool(args);
}
