// Differential fuzzer for the scanner. Each input is turned into a file:
// its bytes, with markers and near misses planted at positions the input
// chooses. The file is streamed through stream_markers with several chunk
// sizes (1, sizes that put a read boundary inside a planted marker, and
// sizes the input picks) and scanned whole, by every scan method this
// processor can run; every result must equal a plain reference scan written
// here, independently of the tool. Any difference aborts.
//
// Built with -fsanitize=fuzzer it is a libFuzzer target; built without, a
// replay program that runs every file named on its command line (or found
// in a folder named there) once, so plain CTest runs the seed corpus.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "marker_scan.h"

namespace {

struct hit {
    std::uint64_t offset;
    int kind;  // 0: command menu, 1: scoreboard
    bool operator==(const hit&) const = default;
};

// The plain reference: look at every offset whose eleven bytes fit.
std::vector<hit> reference_scan(const std::string& file) {
    std::vector<hit> hits;
    for (std::size_t i = 0; i + 11 <= file.size(); ++i) {
        if (std::memcmp(file.data() + i, "+commandmen", 11) == 0) {
            hits.push_back({i, 0});
        } else if (std::memcmp(file.data() + i, "+showscores", 11) == 0) {
            hits.push_back({i, 1});
        }
    }
    return hits;
}

int kind_of(const quorvane::marker_rule& rule) {
    return rule.kind == quorvane::marker_kind::command_menu ? 0 : 1;
}

std::vector<hit> whole_scan(const std::string& file, quorvane::marker_finder find) {
    std::vector<hit> hits;
    const std::span<const unsigned char> bytes(reinterpret_cast<const unsigned char*>(file.data()),
                                               file.size());
    for (auto match = find(bytes, 0); match; match = find(bytes, match->offset + 1)) {
        hits.push_back({match->offset, kind_of(*match->rule)});
    }
    return hits;
}

std::vector<hit> streamed_scan(const std::string& file, std::size_t chunk,
                               quorvane::marker_finder find) {
    std::vector<hit> hits;
    std::vector<unsigned char> buffer(chunk + quorvane::marker_length - 1);
    std::uint64_t next = 0;
    const auto read = [&](std::uint64_t offset, std::span<unsigned char> dest) {
        if (offset != next || offset + dest.size() > file.size() || dest.size() > chunk) {
            std::fprintf(stderr, "bad read at %llu of %zu bytes\n",
                         static_cast<unsigned long long>(offset), dest.size());
            std::abort();
        }
        std::memcpy(dest.data(), file.data() + offset, dest.size());
        next += dest.size();
        return std::optional<quorvane::io_error>{};
    };
    const auto on_match = [&](std::uint64_t offset, const quorvane::marker_rule& rule) {
        hits.push_back({offset, kind_of(rule)});
        return std::optional<quorvane::io_error>{};
    };
    if (quorvane::stream_markers(file.size(), buffer, read, on_match, find) ||
        next != file.size()) {
        std::fprintf(stderr, "stream stopped early at %llu\n",
                     static_cast<unsigned long long>(next));
        std::abort();
    }
    return hits;
}

// Takes numbers from the front of the input; zeros once it runs out.
class input_reader {
public:
    input_reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    unsigned take() {
        if (used_ == size_) {
            return 0;
        }
        return data_[used_++];
    }
    [[nodiscard]] std::string rest() const {
        return {reinterpret_cast<const char*>(data_) + used_, size_ - used_};
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

using namespace std::string_view_literals;

// Markers, markers with more after them, and near misses of each kind.
constexpr std::array pieces{"+commandmen"sv,  "+showscores"sv, "+commandmenu"sv,  "-showscores"sv,
                            "+sh0wscores"sv,  "+c0mmandmen"sv, "+showscore"sv,    "+SHOWSCORES"sv,
                            "++showscores"sv, "+commandme"sv,  "+show\0scores"sv, "+"sv};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    input_reader input(data, size);
    const unsigned plants = input.take() % 8;
    std::vector<std::pair<unsigned, unsigned>> planned;
    for (unsigned i = 0; i < plants; ++i) {
        const unsigned at = input.take() << 8U | input.take();
        planned.emplace_back(at, input.take() % pieces.size());
    }
    const unsigned extra_chunk = (input.take() << 8U | input.take()) + 1;
    std::string file = input.rest();
    std::vector<std::size_t> marker_starts;
    for (const auto& [at, piece] : planned) {
        const std::size_t pos = file.empty() ? 0 : at % (file.size() + 1);
        file.insert(pos, pieces[piece].data(), pieces[piece].size());
        marker_starts.push_back(pos);
    }

    const std::vector<hit> expected = reference_scan(file);
    std::vector<std::size_t> chunks{1, 2, 3, 7, 11, 64, extra_chunk, file.size() + 1};
    for (const std::size_t start : marker_starts) {
        // A read boundary at each point inside the piece planted here.
        for (std::size_t split = 1; split < quorvane::marker_length; ++split) {
            chunks.push_back(start + split);
        }
    }
    for (const quorvane::scan_method& method : quorvane::scan_methods()) {
        if (whole_scan(file, method.find) != expected) {
            std::fprintf(stderr, "%s: whole-buffer scan differs from the reference\n",
                         method.name.data());
            std::abort();
        }
        for (const std::size_t chunk : chunks) {
            if (streamed_scan(file, chunk, method.find) != expected) {
                std::fprintf(stderr, "%s: streamed scan with %zu-byte reads differs\n",
                             method.name.data(), chunk);
                std::abort();
            }
        }
    }
    return 0;
}

#ifndef QUORVANE_LIBFUZZER
int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                files.push_back(entry.path());
            }
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: scan_fuzz_replay FILE_OR_FOLDER...\n");
        return 2;
    }
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs\n", files.size());
    return 0;
}
#endif
