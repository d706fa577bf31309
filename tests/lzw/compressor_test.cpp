// The kit tool's compressor, checked by expanding its output with the
// installer's expander.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "installer/lzw.h"
#include "installer/memsink.h"
#include "kittool/compress.h"

namespace {

LzwStatus expand_into(std::string& out, const std::string& stream) {
    MemorySink sink;
    lzexpbfi();
    LzwStatus status;
    for (std::size_t at = 0; at < stream.size(); at += 16384) {
        const std::size_t n = std::min<std::size_t>(16384, stream.size() - at);
        status = lzexpbf(sink, reinterpret_cast<const std::uint8_t*>(stream.data() + at), n);
    }
    out = sink.take();
    return status;
}

// Codes of a stream, in order, up to and including the first end code.
std::vector<int> codes_of(const std::string& stream) {
    std::vector<int> codes;
    for (std::size_t i = 0; i + 1 < stream.size(); i += 3) {
        const auto b0 = static_cast<std::uint8_t>(stream[i]);
        const auto b1 = static_cast<std::uint8_t>(stream[i + 1]);
        codes.push_back((b0 << 4) | (b1 >> 4));
        if (codes.back() == kLzwEndCode) break;
        if (i + 2 >= stream.size()) break;
        codes.push_back(((b1 & 0x0F) << 8) | static_cast<std::uint8_t>(stream[i + 2]));
        if (codes.back() == kLzwEndCode) break;
    }
    return codes;
}

std::string random_bytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

std::string text_like(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const std::vector<std::string> words = {"the ", "kit ", "installer ", "reads ", "each ", "volume ",
                                            "fran\x87" "ais ", "file ", "\r\n", "of ", "disk ", "12345 "};
    std::string s;
    while (s.size() < n) s += words[rng() % words.size()];
    s.resize(n);
    return s;
}

TEST(LzwCompressor, MatchesTheWorkedStream) {
    const std::string abab = lzw_compress("ABAB");
    EXPECT_EQ(abab, std::string("\x04\x10\x42\x10\x0F\xFF", 6));
    // An even number of data codes: the end code's group follows.
    const std::string aaa = lzw_compress("AAA");
    EXPECT_EQ(aaa, std::string("\x04\x11\x00\xFF\xFF\xFF", 6));
}

TEST(LzwCompressor, RoundTrips) {
    struct Case {
        const char* what;
        std::string data;
    };
    std::string runs;
    for (int i = 0; i < 40; ++i) runs += std::string(static_cast<std::size_t>(1000 + 997 * i), static_cast<char>('a' + i % 3));
    const std::vector<Case> cases = {
        {"empty", ""},
        {"one byte", "Z"},
        {"two bytes", "ZZ"},
        {"every byte value", [] { std::string s; for (int i = 0; i < 256; ++i) s += static_cast<char>(i); return s; }()},
        {"random", random_bytes(200000, 1)},
        {"text", text_like(400000, 2)},
        {"short runs", runs},
        // Long enough for the strings of a run to reach the chain limit and
        // then go on at it for a while.
        {"a run far past the chain limit", std::string(6'000'000, 'A')},
        {"a two-byte pattern past the chain limit", [] { std::string s; for (int i = 0; i < 3'000'000; ++i) s += "xy"; return s; }()},
    };
    for (const Case& c : cases) {
        const std::string stream = lzw_compress(c.data);
        std::string back;
        const LzwStatus status = expand_into(back, stream);
        EXPECT_EQ(status.error, LzwError::none) << c.what;
        EXPECT_EQ(status.bytes_out, static_cast<std::int64_t>(c.data.size())) << c.what;
        EXPECT_TRUE(back == c.data) << c.what;
        if (c.data.empty()) {
            EXPECT_TRUE(stream.empty());
            continue;
        }
        // The end code is there and nothing but padding follows it.
        const std::vector<int> codes = codes_of(stream);
        ASSERT_FALSE(codes.empty()) << c.what;
        EXPECT_EQ(codes.back(), kLzwEndCode) << c.what;
        // Whole groups only: the data codes in pairs, the end code completing
        // the last pair or in a group of its own.
        const std::size_t data_codes = codes.size() - 1;
        EXPECT_EQ(stream.size(), 3 * ((data_codes + 2) / 2)) << c.what;
    }
}

TEST(LzwCompressor, CompressesTextAndRuns) {
    EXPECT_LT(lzw_compress(text_like(100000, 3)).size(), 100000u * 6 / 10);
    EXPECT_LT(lzw_compress(std::string(100000, 'A')).size(), 2000u);
}

TEST(LzwCompressor, FeedingInPiecesGivesTheSameStream) {
    const std::string data = text_like(50000, 4) + std::string(20000, 'q') + random_bytes(3000, 5);
    const std::string whole = lzw_compress(data);
    std::mt19937 rng(6);
    MemorySink sink;
    LzwCompressor compressor;
    for (int stream = 0; stream < 2; ++stream) {  // the second one checks the restart
        for (std::size_t at = 0; at < data.size();) {
            const std::size_t n = std::min<std::size_t>(1 + rng() % 700, data.size() - at);
            compressor.write(sink, reinterpret_cast<const std::uint8_t*>(data.data() + at), n);
            at += n;
        }
        compressor.finish(sink);
        EXPECT_TRUE(sink.take() == whole) << "stream " << stream;
    }
}

}  // namespace
