#include "demo_patcher.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <span>

namespace quorvane {
namespace {

std::span<const unsigned char> as_bytes(std::string_view text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

std::uint64_t& counter_for(patch_counts& counts, marker_kind kind) {
    return kind == marker_kind::command_menu ? counts.command_menu : counts.scoreboard;
}

std::optional<io_error> replace_markers(const os_file& file, std::uint64_t size,
                                        patch_counts& counts) {
    std::unique_ptr<unsigned char[]> storage;
    const std::size_t buffer_size = read_chunk_size + marker_length - 1;
    try {
        storage = std::make_unique_for_overwrite<unsigned char[]>(buffer_size);
    } catch (const std::bad_alloc&) {
        return io_error{std::string("memory allocation failed: ") + std::strerror(ENOMEM)};
    }
    file.advise_sequential();

    const auto read = [&file](std::uint64_t offset, std::span<unsigned char> dest) {
        return file.read_exact_at(offset, dest);
    };
    const auto replace = [&file, &counts](std::uint64_t offset,
                                          const marker_rule& rule) -> std::optional<io_error> {
        // A write past the end would extend the file: make sure the marker
        // is still there to be overwritten.
        const auto now = file.size();
        if (now.error || now.value < offset + marker_length) {
            return shrank_error("write", now);
        }
        if (auto error = file.write_all_at(offset, as_bytes(rule.replacement))) {
            return error;
        }
        ++counter_for(counts, rule.kind);
        return std::nullopt;
    };
    return stream_markers(size, std::span(storage.get(), buffer_size), read, replace);
}

}  // namespace

bool demo_patcher::open_demo(const std::string& path) {
    file_ = os_file::open_for_update(path);
    if (file_) {
        size_ = file_->size();
    }
    return file_.has_value();
}

patch_outcome demo_patcher::patch_markers() {
    patch_outcome outcome;
    if (!file_) {
        outcome.error = io_error{"patch failed: no file is open"};
        return outcome;
    }
    outcome.error =
        size_.error ? size_.error : replace_markers(*file_, size_.value, outcome.counts);
    const bool wrote = outcome.counts.command_menu + outcome.counts.scoreboard > 0;
    if (!outcome.error && wrote) {
        outcome.error = file_->sync();
    }
    auto closed = file_->close();
    file_.reset();
    if (!outcome.error) {
        outcome.error = std::move(closed);
    }
    return outcome;
}

}  // namespace quorvane
