// Scanning speed of each scan method from the CPU cache: a file is scanned
// in windows of the tool's read size, each window brought into the cache
// by an untimed scan first (as the read does in the tool) and then timed;
// prints GB/s per method.
//
//   scan_speed FILE [PASSES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "demo_patcher.h"
#include "marker_scan.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_speed FILE [PASSES]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> file{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    const int passes = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::size_t window = quorvane::read_chunk_size;
    using clock = std::chrono::steady_clock;
    for (const quorvane::scan_method& method : quorvane::scan_methods()) {
        std::size_t found = 0;
        clock::duration took{};
        for (int pass = 0; pass < passes; ++pass) {
            for (std::size_t at = 0; at < file.size(); at += window) {
                const std::size_t length = std::min(window, file.size() - at);
                const std::span<const unsigned char> bytes(file.data() + at, length);
                // An untimed scan brings the window into the cache, as the
                // read does in the tool; the second scan is timed.
                volatile unsigned char sink = 0;
                for (std::size_t i = 0; i < length; i += 64) {
                    sink = sink + bytes[i];
                }
                const auto start = clock::now();
                for (auto match = method.find(bytes, 0); match;
                     match = method.find(bytes, match->offset + 1)) {
                    ++found;
                }
                took += clock::now() - start;
            }
        }
        const double seconds = std::chrono::duration<double>(took).count();
        const double bytes = static_cast<double>(passes) * static_cast<double>(file.size());
        std::printf("%-10s %6.2f GB/s  (%zu markers a pass)\n", std::string(method.name).c_str(),
                    bytes / seconds / 1e9, found / static_cast<std::size_t>(passes));
    }
    return 0;
}
