#include "text_win32.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

namespace quorvane {

std::wstring to_utf16(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("text too long");
    }
    const int length = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), wide);
    return result;
}

std::string to_utf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("text too long");
    }
    const int length = static_cast<int>(text.size());
    const int narrow =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), narrow, nullptr, nullptr);
    return result;
}

}  // namespace quorvane
