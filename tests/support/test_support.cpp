#include "test_support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace quorvane::testing {

temp_dir::temp_dir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "quorvane-test-%08x%08x", random(), random());
        const std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

std::string temp_dir::file(std::string_view name) const {
    return path_utf8(path_ / utf8_path(name));
}

temp_dir::~temp_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path utf8_path(std::string_view text) {
    return {std::u8string(text.begin(), text.end())};
}

std::string path_utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::string read_file(const std::string& path) {
    std::ifstream in(utf8_path(path), std::ios::binary | std::ios::ate);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        throw std::runtime_error("cannot read " + path);
    }
    return bytes;
}

void write_file(const std::string& path, std::string_view bytes) {
    std::ofstream out(utf8_path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

namespace {

// SHA-256 as FIPS 180-4 describes it; small and slow, which is fine here.
class sha256 {
public:
    void update(std::string_view bytes) {
        for (const char byte : bytes) {
            block_[used_++] = static_cast<unsigned char>(byte);
            if (used_ == block_.size()) {
                compress();
                used_ = 0;
            }
        }
        length_ += bytes.size();
    }

    std::string hex() {
        const std::uint64_t bits = length_ * 8;
        update(std::string_view("\x80", 1));
        while (used_ != 56) {
            update(std::string_view("\0", 1));
        }
        std::string tail;
        for (int shift = 56; shift >= 0; shift -= 8) {
            tail.push_back(static_cast<char>((bits >> static_cast<unsigned>(shift)) & 0xffU));
        }
        update(tail);
        std::ostringstream out;
        for (const std::uint32_t word : state_) {
            char piece[9];
            std::snprintf(piece, sizeof piece, "%08x", word);
            out << piece;
        }
        return out.str();
    }

private:
    static std::uint32_t rotr(std::uint32_t x, unsigned n) { return (x >> n) | (x << (32U - n)); }

    void compress() {
        static constexpr std::array<std::uint32_t, 64> k{
            0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
            0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
            0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
            0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
            0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
            0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
            0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
            0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
            0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
            0xc67178f2};
        std::array<std::uint32_t, 64> w{};
        for (std::size_t i = 0; i < 16; ++i) {
            w[i] = static_cast<std::uint32_t>(block_[4 * i]) << 24U |
                   static_cast<std::uint32_t>(block_[4 * i + 1]) << 16U |
                   static_cast<std::uint32_t>(block_[4 * i + 2]) << 8U | block_[4 * i + 3];
        }
        for (std::size_t i = 16; i < 64; ++i) {
            const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3U);
            const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10U);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::array<std::uint32_t, 8> v = state_;
        for (std::size_t i = 0; i < 64; ++i) {
            const std::uint32_t s1 = rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25);
            const std::uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
            const std::uint32_t t1 = v[7] + s1 + choice + k[i] + w[i];
            const std::uint32_t s0 = rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22);
            const std::uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            const std::uint32_t t2 = s0 + majority;
            v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
        }
        for (std::size_t i = 0; i < 8; ++i) {
            state_[i] += v[i];
        }
    }

    std::array<std::uint32_t, 8> state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<unsigned char, 64> block_{};
    std::size_t used_ = 0;
    std::uint64_t length_ = 0;
};

}  // namespace

std::string sha256_hex(std::string_view bytes) {
    sha256 hash;
    hash.update(bytes);
    return hash.hex();
}

std::string sha256_file(const std::string& path) { return sha256_hex(read_file(path)); }

reference_result reference_patch(std::string bytes) {
    reference_result result;
    for (std::size_t i = bytes.find('+'); i != std::string::npos && i + 11 <= bytes.size();
         i = bytes.find('+', i + 1)) {
        if (bytes.compare(i, 11, "+commandmen") == 0) {
            bytes[i + 2] = '0';
            ++result.command_menu;
        } else if (bytes.compare(i, 11, "+showscores") == 0) {
            bytes[i + 3] = '0';
            ++result.scoreboard;
        }
    }
    result.bytes = std::move(bytes);
    return result;
}

std::string done_output(std::string_view path, std::uint64_t command_menu,
                        std::uint64_t scoreboard) {
    std::string output = "Working on ";
    output.append(path).append("...").append(line_end).append("Removed ");
    output.append(std::to_string(command_menu)).append(" commandmenu popups and ");
    output.append(std::to_string(scoreboard)).append(" scoreboard popups!").append(line_end);
    output.append("Tasselbury 2005").append(line_end);
    return output;
}

std::string describe(const run_result& run) {
    return "status " + std::to_string(run.status) + ", output:\n" + run.output;
}

std::string failed_output(std::string_view path, std::string_view reason) {
    std::string output = "Working on ";
    output.append(path).append("...").append(line_end).append("Could not patch ").append(path);
    output.append(": ").append(reason).append(line_end);
    return output;
}

}  // namespace quorvane::testing
