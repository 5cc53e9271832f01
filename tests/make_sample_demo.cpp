// Writes a demo-like file: a demo header, pseudo-random bytes with about one
// "+" in 330 (as in real recordings), and every 32 KiB a 64-byte console
// command record padded with zero bytes. The records cycle through
// "+showscores", "-showscores", "+commandmenu" and the already disabled
// "+sh0wscores", so only the first and third kinds are markers.
//
//   make_sample_demo OUT [SIZE]   (SIZE in bytes, default 262144)
//
// The output is the same for the same SIZE on every run and platform.
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint64_t default_size = std::uint64_t{256} * 1024;
constexpr std::uint64_t record_spacing = std::uint64_t{32} * 1024;
constexpr std::size_t record_length = 64;
constexpr std::array<std::string_view, 4> commands{"+showscores", "-showscores", "+commandmenu",
                                                   "+sh0wscores"};

// A fixed-seed generator, so the file never changes between runs.
class filler {
public:
    unsigned char next() {
        state_ = state_ * 6364136223846793005U + 1442695040888963407U;
        const auto value = static_cast<unsigned>(state_ >> 33U);
        if (value % 330 == 0) {
            return '+';
        }
        const auto byte = static_cast<unsigned char>(value >> 9U);
        return byte == '+' ? static_cast<unsigned char>('*') : byte;
    }

private:
    std::uint64_t state_ = 0x5eed;
};

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t size = default_size;
    if (argc == 3) {
        const std::string_view text(argv[2]);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
        if (error != std::errc{} || end != text.data() + text.size()) {
            std::fprintf(stderr, "make_sample_demo: bad size '%s'\n", argv[2]);
            return 2;
        }
    } else if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_demo OUT [SIZE]\n");
        return 2;
    }

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    if (!out) {
        std::fprintf(stderr, "make_sample_demo: cannot create '%s'\n", argv[1]);
        return 1;
    }
    std::vector<char> block;
    block.reserve(1 << 16);
    filler random;
    std::uint64_t command_menu = 0;
    std::uint64_t scoreboard = 0;
    std::uint64_t record = 0;
    const std::string_view header("HLDEMO\0\0", 8);
    for (std::uint64_t at = 0; at < size;) {
        block.clear();
        if (at == 0) {
            block.insert(block.end(), header.begin(), header.end());
        } else if (at % record_spacing == 0 && size - at >= record_length) {
            const std::string_view command = commands[record++ % commands.size()];
            command_menu += command == "+commandmenu" ? 1U : 0U;
            scoreboard += command == "+showscores" ? 1U : 0U;
            block.insert(block.end(), command.begin(), command.end());
            block.resize(record_length, '\0');
        }
        if (block.size() > size - at) {
            block.resize(static_cast<std::size_t>(size - at));
        }
        const std::uint64_t next_record = (at / record_spacing + 1) * record_spacing;
        const std::uint64_t stop = next_record < size ? next_record : size;
        while (at + block.size() < stop) {
            block.push_back(static_cast<char>(random.next()));
        }
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
        at += block.size();
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_sample_demo: cannot write '%s'\n", argv[1]);
        return 1;
    }
    std::printf("Wrote %s: %llu bytes, %llu commandmenu and %llu scoreboard markers\n", argv[1],
                static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(command_menu),
                static_cast<unsigned long long>(scoreboard));
    return 0;
}
