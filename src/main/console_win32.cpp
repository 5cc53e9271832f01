// Lines end in CR LF, as Windows console programs' lines do. A console gets
// UTF-16 through WriteConsoleW, so any path reads correctly whatever the
// console's code page; a file or a pipe gets the UTF-8 bytes.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "console.h"
#include "text_win32.h"

namespace quorvane {

void write_line(std::string_view text) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out != INVALID_HANDLE_VALUE && out != nullptr && GetConsoleMode(out, &mode) != 0) {
        std::wstring line = to_utf16(text);
        line += L"\r\n";
        DWORD written = 0;
        WriteConsoleW(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    // Binary mode, so that the C runtime adds no second CR.
    static const int binary = _setmode(_fileno(stdout), _O_BINARY);
    (void)binary;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fwrite("\r\n", 1, 2, stdout);
    std::fflush(stdout);
}

}  // namespace quorvane
