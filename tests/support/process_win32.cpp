// Running programs on Windows: CreateProcessW with a pipe for the output.
#include <windows.h>

#include <array>
#include <stdexcept>

#include "test_support.h"
#include "text_win32.h"

namespace quorvane::testing {
namespace {

using quorvane::to_utf16;

// Quotes one argument so that the C runtime's parser gives it back as it
// was: in double quotes, with backslashes doubled before a quote.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    out += L'"';
    return out;
}

class owned_handle {
public:
    explicit owned_handle(HANDLE handle = nullptr) : handle_(handle) {}
    owned_handle(const owned_handle&) = delete;
    owned_handle& operator=(const owned_handle&) = delete;
    ~owned_handle() { reset(); }
    void reset() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
        handle_ = nullptr;
    }
    [[nodiscard]] HANDLE get() const { return handle_; }
    HANDLE* put() { return &handle_; }

private:
    HANDLE handle_;
};

}  // namespace

run_result run_program(const std::string& program, const std::vector<std::string>& args,
                       const std::string& cwd, const output_watcher& watch,
                       unsigned timeout_seconds) {
    std::wstring command_line = quoted(to_utf16(program));
    for (const std::string& arg : args) {
        command_line += L' ';
        command_line += quoted(to_utf16(arg));
    }

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    owned_handle read_end;
    owned_handle write_end;
    if (CreatePipe(read_end.put(), write_end.put(), &inherit, 0) == 0) {
        throw std::runtime_error("CreatePipe failed");
    }
    SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
    owned_handle null_in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherit, OPEN_EXISTING, 0, nullptr));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = null_in.get();
    startup.hStdOutput = write_end.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const std::wstring folder = to_utf16(cwd);
    if (CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process) == 0) {
        throw std::runtime_error("CreateProcessW failed for " + program);
    }
    owned_handle process_handle(process.hProcess);
    owned_handle thread_handle(process.hThread);
    write_end.reset();

    run_result result;
    std::array<char, 4096> chunk{};
    DWORD got = 0;
    while (ReadFile(read_end.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got,
                    nullptr) != 0 &&
           got > 0) {
        result.output.append(chunk.data(), got);
        if (watch) {
            watch(result.output);
        }
    }
    if (WaitForSingleObject(process_handle.get(), timeout_seconds * 1000U) != WAIT_OBJECT_0) {
        TerminateProcess(process_handle.get(), 128 + 9);
        WaitForSingleObject(process_handle.get(), INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(process_handle.get(), &code);
    result.status = static_cast<int>(code);
    return result;
}

}  // namespace quorvane::testing
