// UTF-8 and UTF-16 conversion for the Windows layers.
#pragma once

#include <string>
#include <string_view>

namespace quorvane {

std::wstring to_utf16(std::string_view text);
std::string to_utf8(std::wstring_view text);

}  // namespace quorvane
