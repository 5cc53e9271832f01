// The parts of os_file that are the same on every system.
#include "os_file.h"

#include <string>
#include <utility>

namespace quorvane {

os_file::os_file(os_file&& other) noexcept : handle_(std::exchange(other.handle_, no_handle)) {}

os_file& os_file::operator=(os_file&& other) noexcept {
    if (this != &other) {
        (void)close();
        handle_ = std::exchange(other.handle_, no_handle);
    }
    return *this;
}

os_file::~os_file() { (void)close(); }

io_error shrank_error(std::string_view operation, const io_result<std::uint64_t>& now) {
    if (now.error) {
        return *now.error;
    }
    std::string text(operation);
    text += " failed: the file shrank to ";
    text += std::to_string(now.value);
    text += " bytes during the run";
    return io_error{std::move(text)};
}

}  // namespace quorvane
