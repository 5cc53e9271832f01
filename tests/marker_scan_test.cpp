// The scanner, checked three ways on one table of inputs: find_marker over
// the whole buffer, a plain reference scan, and stream_markers fed from
// memory in chunks of many sizes (every split point of every marker).
#include "marker_scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "demo_patcher.h"
#include "test_support.h"

namespace quorvane {
namespace {

using namespace std::string_literals;
using testing::case_name;

struct found {
    std::uint64_t offset;
    marker_kind kind;
    bool operator==(const found&) const = default;
};

constexpr auto cm = marker_kind::command_menu;
constexpr auto sb = marker_kind::scoreboard;

std::span<const unsigned char> bytes_of(const std::string& text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

std::vector<found> scan_span(std::span<const unsigned char> bytes, marker_finder find) {
    std::vector<found> result;
    for (auto match = find(bytes, 0); match; match = find(bytes, match->offset + 1)) {
        result.push_back({match->offset, match->rule->kind});
    }
    return result;
}

std::vector<found> scan_whole(const std::string& text, marker_finder find = find_marker) {
    return scan_span(bytes_of(text), find);
}

std::vector<found> scan_plainly(const std::string& text) {
    std::vector<found> result;
    for (std::size_t i = 0; i + 11 <= text.size(); ++i) {
        if (text.compare(i, 11, "+commandmen") == 0) {
            result.push_back({i, cm});
        } else if (text.compare(i, 11, "+showscores") == 0) {
            result.push_back({i, sb});
        }
    }
    return result;
}

// Streams `text` with reads of `chunk` bytes. Also checks that the reads
// cover the text exactly once, in order.
std::vector<found> scan_streamed(const std::string& text, std::size_t chunk,
                                 marker_finder find = find_marker) {
    std::vector<found> result;
    std::vector<unsigned char> buffer(chunk + marker_length - 1);
    std::uint64_t expected_offset = 0;
    const auto read = [&](std::uint64_t offset,
                          std::span<unsigned char> dest) -> std::optional<io_error> {
        EXPECT_EQ(offset, expected_offset);
        EXPECT_LE(dest.size(), chunk);
        EXPECT_LE(offset + dest.size(), text.size());
        std::memcpy(dest.data(), text.data() + offset, dest.size());
        expected_offset += dest.size();
        return std::nullopt;
    };
    const auto on_match = [&](std::uint64_t offset,
                              const marker_rule& rule) -> std::optional<io_error> {
        result.push_back({offset, rule.kind});
        return std::nullopt;
    };
    const auto error = stream_markers(text.size(), buffer, read, on_match, find);
    EXPECT_FALSE(error.has_value());
    EXPECT_EQ(expected_offset, text.size());
    return result;
}

// Chunk sizes worth trying on `text`: every size up to one past its length,
// and the sizes around the tool's real read size.
std::vector<std::size_t> chunk_sizes_for(const std::string& text) {
    std::vector<std::size_t> sizes;
    for (std::size_t size = 1; size <= text.size() + 1; ++size) {
        sizes.push_back(size);
    }
    sizes.insert(sizes.end(), {read_chunk_size - 1, read_chunk_size, read_chunk_size + 1});
    return sizes;
}

struct scan_case {
    const char* name;
    std::string text;
    std::vector<found> expected;
    friend void PrintTo(const scan_case& c, std::ostream* out) { *out << c.name; }
};

const std::vector<scan_case>& scan_cases() {
    static const std::vector<scan_case> cases{
        {"empty", "", {}},
        {"no_plus", "commandmenu showscores", {}},
        {"scoreboard_is_whole_file", "+showscores", {{0, sb}}},
        {"command_menu_is_whole_file", "+commandmen", {{0, cm}}},
        {"command_menu_then_u_twelve_bytes", "+commandmenu", {{0, cm}}},
        {"command_menu_then_two_bytes", "+commandmenu;", {{0, cm}}},
        {"one_byte_short", "+showscore", {}},
        {"ends_at_last_byte", "xyz+showscores", {{3, sb}}},
        {"ends_one_byte_past_the_file", "xyz+showscore", {}},
        {"at_offset_zero_in_longer_file", "+showscores and more text", {{0, sb}}},
        {"command_menu_then_zero_byte", "+commandmen\0x"s, {{0, cm}}},
        {"adjacent_same_kind", "+showscores+showscores", {{0, sb}, {11, sb}}},
        {"adjacent_both_kinds", "+commandmenu+showscores", {{0, cm}, {12, sb}}},
        {"after_another_plus", "++showscores", {{1, sb}}},
        {"after_many_plus", "+++++commandmenu", {{4, cm}}},
        {"three_menus_one_scoreboard",
         "a+commandmenu b+commandmenu c+showscores d+commandmenu",
         {{1, cm}, {15, cm}, {29, sb}, {42, cm}}},
        {"alias_text", "alias +mate_scores \"+showscores;net_graph 0\"", {{20, sb}}},
        {"minus_instead_of_plus", "-showscores -commandmenu", {}},
        {"upper_case", "+Showscores +SHOWSCORES +commandMenu +COMMANDMEN", {}},
        {"zero_byte_inside", "+show\0scores +command\0men"s, {}},
        {"already_patched", "+sh0wscores +c0mmandmenu", {}},
        {"all_plus", std::string(64, '+'), {}},
        {"high_bytes_around", "\xff\xfe+showscores\x80\x81"s, {{2, sb}}},
        {"padded_console_record",
         "+showscores"s + std::string(53, '\0') + "-showscores"s,
         {{0, sb}}},
    };
    return cases;
}

class scanner : public ::testing::TestWithParam<scan_case> {};

TEST_P(scanner, whole_buffer_finds_exactly_the_expected_markers) {
    EXPECT_EQ(scan_plainly(GetParam().text), GetParam().expected);
    for (const scan_method& method : scan_methods()) {
        EXPECT_EQ(scan_whole(GetParam().text, method.find), GetParam().expected) << method.name;
    }
}

TEST_P(scanner, streaming_matches_whole_buffer_for_every_chunk_size) {
    for (const scan_method& method : scan_methods()) {
        for (const std::size_t chunk : chunk_sizes_for(GetParam().text)) {
            EXPECT_EQ(scan_streamed(GetParam().text, chunk, method.find), GetParam().expected)
                << method.name << ", chunk " << chunk;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(table, scanner, ::testing::ValuesIn(scan_cases()), case_name{});

// One marker at each offset of a small file, each streamed with every chunk
// size: together they put a read boundary at every point inside a marker.
TEST(scanner_split, marker_split_across_reads_at_every_point) {
    for (const scan_method& method : scan_methods()) {
        for (const auto& rule : marker_table) {
            for (std::size_t at = 0; at + marker_length <= 40; ++at) {
                std::string text(40, '.');
                text.replace(at, marker_length, rule.marker);
                const std::vector<found> expected{{at, rule.kind}};
                for (std::size_t chunk = 1; chunk <= text.size(); ++chunk) {
                    ASSERT_EQ(scan_streamed(text, chunk, method.find), expected)
                        << method.name << ": " << rule.marker << " at " << at << ", chunk "
                        << chunk;
                }
            }
        }
    }
}

// A marker, and a near miss that shares its first two bytes, at every
// offset of a buffer long enough for the wide methods' blocks and tails,
// with the buffer starting at every alignment within a cache line.
TEST(scanner_methods, marker_at_every_offset_and_alignment) {
    constexpr std::size_t length = 200;
    for (const scan_method& method : scan_methods()) {
        for (const auto& rule : marker_table) {
            for (std::size_t at = 0; at + marker_length <= length; ++at) {
                std::string text(length, '+');  // a "+" everywhere, but no marker
                text.replace(at, marker_length, rule.marker);
                const std::size_t miss = (at + 100) % (length - marker_length);
                if (miss + marker_length <= at || miss >= at + marker_length) {
                    text.replace(miss, marker_length,
                                 rule.kind == cm ? "+c0mmandmen" : "+sh0wscores");
                }
                const std::vector<found> expected{{at, rule.kind}};
                for (std::size_t pad = 0; pad < 64; ++pad) {
                    const std::string padded = std::string(pad, '+') + text;
                    ASSERT_EQ(scan_span(bytes_of(padded).subspan(pad), method.find), expected)
                        << method.name << ": " << rule.marker << " at " << at << ", pad " << pad;
                }
                ASSERT_EQ(scan_streamed(text, 64, method.find),
                          (std::vector<found>{{at, rule.kind}}))
                    << method.name << ": " << rule.marker << " at " << at;
            }
        }
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
TEST(scanner_methods, avx2_method_is_used_where_the_processor_has_avx2) {
    if (!static_cast<bool>(__builtin_cpu_supports("avx2"))) {
        GTEST_SKIP() << "this processor has no AVX2";
    }
    ASSERT_FALSE(scan_methods().empty());
    EXPECT_EQ(scan_methods().front().name, "avx2");
}
#endif

// The same with the tool's real read size: a marker straddling the first
// read boundary by each split, and markers on either side of it and at the
// very end of the file.
TEST(scanner_split, markers_around_the_real_read_boundary) {
    for (std::size_t before = 1; before < marker_length; ++before) {
        std::string text(read_chunk_size + 20, 'y');
        text.replace(read_chunk_size - before, marker_length, "+showscores");
        const std::vector<found> expected{{read_chunk_size - before, sb}};
        EXPECT_EQ(scan_streamed(text, read_chunk_size), expected) << before << " bytes before";
    }

    std::string text(2 * read_chunk_size + 5, 'x');
    const std::vector<found> expected{{read_chunk_size - 40, cm},
                                      {read_chunk_size - 11, sb},  // ends at the boundary
                                      {read_chunk_size, cm},       // starts at it
                                      {read_chunk_size + 30, sb},
                                      {text.size() - marker_length, sb}};
    for (const found& marker : expected) {
        text.replace(marker.offset, marker_length,
                     marker.kind == cm ? "+commandmen" : "+showscores");
    }
    ASSERT_EQ(scan_plainly(text), expected);
    EXPECT_EQ(scan_whole(text), expected);
    for (const std::size_t chunk : {read_chunk_size - 1, read_chunk_size, read_chunk_size + 1}) {
        EXPECT_EQ(scan_streamed(text, chunk), expected) << "chunk " << chunk;
    }
}

TEST(scanner_errors, read_error_stops_the_scan_after_the_markers_already_read) {
    const std::string text = "+showscores" + std::string(30, '.') + "+showscores";
    std::vector<unsigned char> buffer(20 + marker_length - 1);
    int reads = 0;
    const auto read = [&](std::uint64_t offset,
                          std::span<unsigned char> dest) -> std::optional<io_error> {
        if (++reads == 2) {
            return io_error{"read failed: Input/output error"};
        }
        std::memcpy(dest.data(), text.data() + offset, dest.size());
        return std::nullopt;
    };
    std::vector<std::uint64_t> offsets;
    const auto on_match = [&](std::uint64_t offset, const marker_rule&) -> std::optional<io_error> {
        offsets.push_back(offset);
        return std::nullopt;
    };
    const auto error = stream_markers(text.size(), buffer, read, on_match);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->text, "read failed: Input/output error");
    EXPECT_EQ(offsets, std::vector<std::uint64_t>{0});
}

TEST(scanner_errors, match_handler_error_stops_the_scan) {
    const std::string text = "+showscores+showscores";
    std::vector<unsigned char> buffer(64);
    const auto read = [&](std::uint64_t offset, std::span<unsigned char> dest) {
        std::memcpy(dest.data(), text.data() + offset, dest.size());
        return std::optional<io_error>{};
    };
    int calls = 0;
    const auto on_match = [&](std::uint64_t, const marker_rule&) {
        ++calls;
        return std::optional<io_error>{io_error{"write failed: No space left on device"}};
    };
    const auto error = stream_markers(text.size(), buffer, read, on_match);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->text, "write failed: No space left on device");
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace quorvane
