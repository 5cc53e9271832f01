// Windows file layer: CreateFileW, ReadFile and WriteFile at explicit
// offsets (OVERLAPPED on a synchronous handle), FlushFileBuffers, with the
// system's own message text for every error.
#include <windows.h>

#include <string_view>
#include <utility>

#include "os_file.h"
#include "text_win32.h"

namespace quorvane {
namespace {

HANDLE handle_of(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

io_error system_error(std::string_view operation, DWORD code) {
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring wide = length != 0 ? std::wstring(message, length) : std::wstring();
    LocalFree(message);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                             wide.back() == L'.')) {
        wide.pop_back();
    }
    std::string text(operation);
    text += " failed: ";
    text += wide.empty() ? "error " + std::to_string(code) : to_utf8(wide);
    return io_error{std::move(text)};
}

OVERLAPPED at_offset(std::uint64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset & 0xffffffffU);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32U);
    return where;
}

// The largest single transfer asked of the system.
constexpr std::size_t max_transfer = std::size_t{1} << 30;

}  // namespace

std::optional<os_file> os_file::open_for_update(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    // Shared for reading, writing and deleting: no lock is taken. A
    // directory cannot be opened this way; a device can, and is refused.
    const HANDLE handle =
        CreateFileW(to_utf16(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    os_file file(reinterpret_cast<std::intptr_t>(handle));
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || GetFileInformationByHandle(handle, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return file;
}

io_result<std::uint64_t> os_file::size() const {
    LARGE_INTEGER size{};
    if (GetFileSizeEx(handle_of(handle_), &size) == 0) {
        return {0, system_error("size", GetLastError())};
    }
    return {static_cast<std::uint64_t>(size.QuadPart), std::nullopt};
}

void os_file::advise_sequential() const noexcept {
    // Asked for at the open, with FILE_FLAG_SEQUENTIAL_SCAN.
}

std::optional<io_error> os_file::read_exact_at(std::uint64_t offset,
                                               std::span<unsigned char> dest) const {
    while (!dest.empty()) {
        const std::size_t want = dest.size() < max_transfer ? dest.size() : max_transfer;
        OVERLAPPED where = at_offset(offset);
        DWORD got = 0;
        if (ReadFile(handle_of(handle_), dest.data(), static_cast<DWORD>(want), &got, &where) ==
            0) {
            const DWORD code = GetLastError();
            if (code != ERROR_HANDLE_EOF) {
                return system_error("read", code);
            }
            got = 0;
        }
        if (got == 0) {
            // Another program cut the file short; say how short it is now.
            return shrank_error("read", size());
        }
        offset += got;
        dest = dest.subspan(got);
    }
    return std::nullopt;
}

std::optional<io_error> os_file::write_all_at(std::uint64_t offset,
                                              std::span<const unsigned char> src) const {
    while (!src.empty()) {
        const std::size_t want = src.size() < max_transfer ? src.size() : max_transfer;
        OVERLAPPED where = at_offset(offset);
        DWORD put = 0;
        if (WriteFile(handle_of(handle_), src.data(), static_cast<DWORD>(want), &put, &where) ==
            0) {
            return system_error("write", GetLastError());
        }
        if (put == 0) {
            return system_error("write", ERROR_WRITE_FAULT);
        }
        offset += put;
        src = src.subspan(put);
    }
    return std::nullopt;
}

std::optional<io_error> os_file::sync() const {
    if (FlushFileBuffers(handle_of(handle_)) == 0) {
        return system_error("sync", GetLastError());
    }
    return std::nullopt;
}

std::optional<io_error> os_file::close() {
    if (handle_ == no_handle) {
        return std::nullopt;
    }
    if (CloseHandle(handle_of(std::exchange(handle_, no_handle))) == 0) {
        return system_error("close", GetLastError());
    }
    return std::nullopt;
}

}  // namespace quorvane
