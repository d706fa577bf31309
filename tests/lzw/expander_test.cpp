// The expander against the stream format: worked streams, chunking, restarts,
// the end code, the full dictionary, the chain limit and the byte limit, and
// the fast walk against the exact one.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/trace.h"
#include "installer/lzw.h"
#include "installer/memsink.h"
#include "kittool/compress.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

Bytes bytes_of(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Packs codes two per group; an odd last code leaves a two-byte partial group.
Bytes pack(const std::vector<int>& codes) {
    Bytes out;
    for (std::size_t i = 0; i < codes.size(); i += 2) {
        const int a = codes[i];
        out.push_back(static_cast<std::uint8_t>(a >> 4));
        if (i + 1 < codes.size()) {
            const int b = codes[i + 1];
            out.push_back(static_cast<std::uint8_t>(((a & 0x0F) << 4) | (b >> 8)));
            out.push_back(static_cast<std::uint8_t>(b & 0xFF));
        } else {
            out.push_back(static_cast<std::uint8_t>((a & 0x0F) << 4));
        }
    }
    return out;
}

struct Expansion {
    std::string bytes;
    LzwStatus status;
};

// Expands `stream` as one stream, cut into chunks of the given sizes (the
// last size repeats until the stream is used up).
Expansion expand(const Bytes& stream, const std::vector<std::size_t>& sizes = {16384},
                 LzwWalk walk = LzwWalk::fast, std::int64_t limit = INT64_MAX) {
    MemorySink sink;
    lzexpbfi(limit, walk);
    LzwStatus status;
    std::size_t at = 0;
    std::size_t k = 0;
    while (at < stream.size()) {
        const std::size_t size = std::min(sizes[std::min(k, sizes.size() - 1)], stream.size() - at);
        ++k;
        status = lzexpbf(sink, stream.data() + at, size);
        at += size;
    }
    return {sink.take(), status};
}

// An obviously right decoder for streams that keep to the format: the
// dictionary as whole strings.
std::string reference_expand(const std::vector<int>& codes) {
    std::vector<std::string> dictionary;
    for (int c = 0; c < 256; ++c) dictionary.emplace_back(1, static_cast<char>(c));
    std::string out;
    std::string previous;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const int code = codes[i];
        if (i == 0) {
            previous = dictionary[static_cast<std::size_t>(code)];
            out += previous;
            continue;
        }
        if (code == kLzwEndCode) break;
        std::string current = code < static_cast<int>(dictionary.size())
                                  ? dictionary[static_cast<std::size_t>(code)]
                                  : previous + previous[0];
        if (dictionary.size() <= static_cast<std::size_t>(kLzwLastDictionaryCode)) {
            dictionary.push_back(previous + current[0]);
        }
        out += current;
        previous = current;
    }
    return out;
}

TEST(LzwExpander, WorkedStreams) {
    struct Case {
        const char* what;
        Bytes stream;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ABAB: a defined code, then the end code", bytes_of({0x04, 0x10, 0x42, 0x10, 0x0F, 0xFF}), "ABAB"},
        {"AAA: the code about to be defined, end group cut after two bytes",
         bytes_of({0x04, 0x11, 0x00, 0xFF, 0xF0}), "AAA"},
        {"a first code of 256 or more is written as its low eight bits", pack({0x341, 0x042, kLzwEndCode, 0}),
         "AB"},
        {"the end code as the first code is the byte 255", pack({kLzwEndCode, 0x041, kLzwEndCode, 0}),
         "\xff" "A"},
    };
    for (const Case& c : cases) {
        for (LzwWalk walk : {LzwWalk::fast, LzwWalk::exact}) {
            const Expansion e = expand(c.stream, {16384}, walk);
            EXPECT_EQ(e.bytes, c.expected) << c.what;
            EXPECT_EQ(e.status.bytes_out, static_cast<std::int64_t>(c.expected.size())) << c.what;
            EXPECT_EQ(e.status.error, LzwError::none) << c.what;
        }
    }
}

// Every way of cutting the stream into chunks, by the bit mask of cut points.
void expect_every_chunking_agrees(const Bytes& stream) {
    ASSERT_LE(stream.size(), 16u);
    const Expansion whole = expand(stream);
    const std::uint32_t cuts = stream.size() > 1 ? (1u << (stream.size() - 1)) : 1u;
    for (std::uint32_t mask = 0; mask < cuts; ++mask) {
        MemorySink sink;
        lzexpbfi();
        LzwStatus status;
        std::size_t start = 0;
        for (std::size_t i = 1; i <= stream.size(); ++i) {
            if (i == stream.size() || (mask >> (i - 1)) & 1u) {
                status = lzexpbf(sink, stream.data() + start, i - start);
                start = i;
            }
        }
        ASSERT_EQ(sink.take(), whole.bytes) << "cut mask " << mask;
        ASSERT_EQ(status.bytes_out, whole.status.bytes_out) << "cut mask " << mask;
    }
}

TEST(LzwExpander, EveryChunkingOfSmallStreamsGivesTheSameBytes) {
    const std::vector<Bytes> streams = {
        bytes_of({0x04, 0x10, 0x42, 0x10, 0x0F, 0xFF}),
        bytes_of({0x04, 0x11, 0x00, 0xFF, 0xF0}),
        // Cut off: the last group's second code is never taken.
        pack({0x041, 0x042, 0x100, 0x101}),
        // Data code then the end code in one group, with and without a byte after it.
        pack({0x061, 0x062, 0x063, kLzwEndCode}),
        []{ Bytes b = pack({0x061, 0x062, 0x063, kLzwEndCode}); b.push_back(0x41); return b; }(),
        // Bytes after the end code.
        []{ Bytes b = pack({0x041, 0x100, kLzwEndCode, 0x042}); b.push_back(0x99); return b; }(),
        bytes_of(lzw_compress("TOBEORNOTTOBEORTOBEORNOT").substr(0, 15)),
    };
    for (const Bytes& s : streams) expect_every_chunking_agrees(s);
}

TEST(LzwExpander, RandomChunkingOfLargeStreamsGivesTheSameBytes) {
    std::mt19937 rng(12345);
    std::string text;
    const char* words[] = {"kit ", "disk ", "volume ", "catalog ", "\r\n", "install ", "package "};
    while (text.size() < 300000) text += words[rng() % 7];
    std::string noise(70000, '\0');
    for (char& ch : noise) ch = static_cast<char>(rng() % 5);
    for (const std::string& data : {text, noise}) {
        const Bytes stream = bytes_of(lzw_compress(data));
        const Expansion whole = expand(stream);
        ASSERT_EQ(whole.bytes, data);
        for (std::vector<std::size_t> fixed : {std::vector<std::size_t>{1}, {2}, {3}, {16384}, {16383, 1}}) {
            const Expansion e = expand(stream, fixed);
            ASSERT_EQ(e.bytes, data);
            ASSERT_EQ(e.status.bytes_out, whole.status.bytes_out);
        }
        for (int round = 0; round < 20; ++round) {
            std::vector<std::size_t> sizes;
            std::size_t total = 0;
            while (total < stream.size()) {
                // Mostly tiny chunks, now and then a big one: borders land everywhere.
                const std::size_t size = rng() % 4 == 0 ? 1 + rng() % 16384 : 1 + rng() % 5;
                sizes.push_back(size);
                total += size;
            }
            const Expansion e = expand(stream, sizes);
            ASSERT_EQ(e.bytes, data) << "round " << round;
            ASSERT_EQ(e.status.bytes_out, whole.status.bytes_out);
        }
    }
}

TEST(LzwExpander, AnEmptyChunkChangesNothing) {
    MemorySink sink;
    lzexpbfi();
    const Bytes stream = bytes_of({0x04, 0x10, 0x42, 0x10, 0x0F, 0xFF});
    EXPECT_EQ(lzexpbf(sink, nullptr, 0).bytes_out, 0);
    EXPECT_EQ(lzexpbf(sink, stream.data(), 2).bytes_out, 0);
    EXPECT_EQ(lzexpbf(sink, nullptr, 0).bytes_out, 0);
    EXPECT_EQ(lzexpbf(sink, stream.data() + 2, 4).bytes_out, 4);
    EXPECT_EQ(sink.take(), "ABAB");
}

TEST(LzwExpander, BytesAfterTheEndCodeAreIgnored) {
    const Bytes body = pack({0x041, 0x042, 0x100, kLzwEndCode});
    const Bytes trailer = pack({0x043, 0x044, 0x045, 0x046});
    // Same chunk: the end code is taken because a byte follows its group.
    Bytes joined = body;
    joined.insert(joined.end(), trailer.begin(), trailer.end());
    const Expansion same = expand(joined);
    EXPECT_EQ(same.bytes, "ABAB");
    EXPECT_EQ(same.status.bytes_out, 4);

    // Later chunks: each call returns the same count at once.
    MemorySink sink;
    lzexpbfi();
    EXPECT_EQ(lzexpbf(sink, body.data(), body.size()).bytes_out, 4);
    for (std::size_t i = 0; i < trailer.size(); ++i) {
        EXPECT_EQ(lzexpbf(sink, trailer.data() + i, 1).bytes_out, 4);
    }
    EXPECT_EQ(lzexpbf(sink, trailer.data(), trailer.size()).bytes_out, 4);
    EXPECT_EQ(sink.take(), "ABAB");
}

TEST(LzwExpander, RestartAfterAStreamCutOffOrEndedEarly) {
    const Bytes fresh = bytes_of({0x04, 0x11, 0x00, 0xFF, 0xF0});  // AAA
    struct Case {
        const char* what;
        Bytes first;
    };
    const std::vector<Case> cases = {
        {"two bytes of a group held", bytes_of({0x04, 0x10, 0x42, 0x10, 0x0F})},
        {"one byte of a group held", bytes_of({0x05, 0x10, 0x52, 0x37})},
        {"second code pending", pack({0x041, 0x042, 0x100, 0x043})},
        {"first group incomplete", bytes_of({0x04})},
        {"ended by the end code", pack({0x051, 0x100, 0x101, kLzwEndCode, 0x052, 0x053})},
        {"a long stream that defined many codes", bytes_of(lzw_compress(std::string(50000, 'x') + "yzyzyz"))},
        {"a corrupt stream", pack({0x300, 0x700, 0x900, 0x111})},
    };
    for (const Case& c : cases) {
        MemorySink sink;
        lzexpbfi();
        lzexpbf(sink, c.first.data(), c.first.size());
        const Expansion e = expand(fresh);
        EXPECT_EQ(e.bytes, "AAA") << c.what;
        EXPECT_EQ(e.status.bytes_out, 3) << c.what;
        EXPECT_EQ(e.status.error, LzwError::none) << c.what;
    }
}

TEST(LzwExpander, FullDictionaryKeepsExpanding) {
    // One literal per code defines 256..4094; then defined codes, the last
    // one defined, and literals, with nothing further defined; 4095 ends it.
    std::mt19937 rng(7);
    std::vector<int> codes;
    for (int i = 0; i < 1 + (kLzwLastDictionaryCode - 255); ++i) codes.push_back(static_cast<int>('a' + rng() % 3));
    for (int code : {kLzwLastDictionaryCode, 256, 4000, 0x41, kLzwLastDictionaryCode - 1, 3000, 0x42}) {
        codes.push_back(code);
    }
    for (int i = 0; i < 500; ++i) codes.push_back(256 + static_cast<int>(rng() % 3839));
    codes.push_back(kLzwEndCode);
    codes.push_back(0x41);
    const std::string expected = reference_expand(codes);
    const Bytes stream = pack(codes);
    for (LzwWalk walk : {LzwWalk::fast, LzwWalk::exact}) {
        const Expansion e = expand(stream, {7}, walk);
        EXPECT_EQ(e.bytes, expected);
        EXPECT_EQ(e.status.bytes_out, static_cast<std::int64_t>(expected.size()));
        EXPECT_EQ(e.status.error, LzwError::none);
    }
}

// A run of one byte value: each code is the one about to be defined, and
// code 256 + j expands to j + 2 characters.
std::vector<int> run_codes(int last_code) {
    std::vector<int> codes = {0x41};
    for (int code = 256; code <= last_code; ++code) codes.push_back(code);
    return codes;
}

TEST(LzwExpander, ChainLimit) {
    const int longest_not_yet_defined = 256 + kLzwMaxString - 1;  // expands to 3002 characters
    struct Case {
        const char* what;
        std::vector<int> codes;
        bool fatal;
    };
    std::vector<Case> cases;
    cases.push_back({"not-yet-defined codes up to 3002 characters", run_codes(longest_not_yet_defined), false});
    cases.push_back({"the not-yet-defined code of 3003 characters", run_codes(longest_not_yet_defined + 1), true});
    {
        std::vector<int> c = run_codes(longest_not_yet_defined);
        c.push_back(longest_not_yet_defined - 1);  // defined, 3001 characters: 3000 links
        cases.push_back({"a defined code of 3001 characters", c, false});
        c.push_back(longest_not_yet_defined);  // defined, 3002 characters: 3001 links
        cases.push_back({"a defined code of 3002 characters", c, true});
    }
    for (const Case& c : cases) {
        std::vector<int> codes = c.codes;
        // Cut into data and a tail, so the failing code lies in the last chunk.
        codes.push_back(kLzwEndCode);
        codes.push_back(0);
        const Bytes stream = pack(codes);
        const std::string full = reference_expand(codes);
        std::vector<int> before_last(c.codes.begin(), c.codes.end() - 1);
        const std::string good_part = reference_expand(before_last);
        for (LzwWalk walk : {LzwWalk::fast, LzwWalk::exact}) {
            MemorySink sink;
            lzexpbfi(INT64_MAX, walk);
            LzwStatus status = lzexpbf(sink, stream.data(), stream.size());
            if (!c.fatal) {
                EXPECT_EQ(status.error, LzwError::none) << c.what;
                EXPECT_EQ(sink.take(), full) << c.what;
                continue;
            }
            EXPECT_EQ(status.error, LzwError::chain_limit) << c.what;
            EXPECT_EQ(status.bytes_out, static_cast<std::int64_t>(good_part.size())) << c.what;
            // Nothing of the failing string reached the sink.
            EXPECT_EQ(sink.contents(), good_part) << c.what;
            // The stream stays stopped.
            const Bytes more = pack({0x41, 0x42, 0x43, 0x44});
            status = lzexpbf(sink, more.data(), more.size());
            EXPECT_EQ(status.error, LzwError::chain_limit) << c.what;
            EXPECT_EQ(status.bytes_out, static_cast<std::int64_t>(good_part.size())) << c.what;
            EXPECT_EQ(sink.take(), good_part) << c.what;
        }
    }
    EXPECT_STREQ(kExpansionFatalMessage, "fatal error during code expansion\n");
}

TEST(LzwExpander, ByteLimitStopsBeforePassingIt) {
    const std::string data = "TOBEORNOTTOBEORTOBEORNOT#TOBEORNOT";
    const Bytes stream = bytes_of(lzw_compress(data));
    const auto total = static_cast<std::int64_t>(data.size());
    for (LzwWalk walk : {LzwWalk::fast, LzwWalk::exact}) {
        for (std::int64_t limit : {total, total + 1, total - 1, std::int64_t{5}, std::int64_t{1}, std::int64_t{0},
                                   std::int64_t{-3}}) {
            const Expansion e = expand(stream, {2}, walk, limit);
            const std::int64_t allowed = std::max<std::int64_t>(limit, 0);
            EXPECT_LE(e.status.bytes_out, allowed) << limit;
            EXPECT_EQ(static_cast<std::int64_t>(e.bytes.size()), e.status.bytes_out) << limit;
            EXPECT_EQ(e.bytes, data.substr(0, e.bytes.size())) << limit;
            EXPECT_EQ(e.status.error, limit >= total ? LzwError::none : LzwError::over_limit) << limit;
        }
    }
}

// Runs a sequence of streams from the program-start state, each cut at
// random, and returns everything they produced.
std::vector<Expansion> run_sequence(const std::vector<Bytes>& streams, LzwWalk walk, std::uint32_t seed) {
    std::mt19937 rng(seed);
    lzw_reset_tables();
    std::vector<Expansion> results;
    for (const Bytes& stream : streams) {
        std::vector<std::size_t> sizes;
        for (std::size_t total = 0; total < stream.size();) {
            sizes.push_back(1 + rng() % 9);
            total += sizes.back();
        }
        results.push_back(expand(stream, sizes, walk));
    }
    return results;
}

TEST(LzwExpander, FastWalkAgreesWithExactWalkOnAnyStream) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 200; ++round) {
        std::vector<Bytes> streams;
        for (int s = 0; s < 4; ++s) {
            Bytes b;
            switch (rng() % 4) {
            case 0: {  // garbage
                b.resize(rng() % 600);
                for (auto& x : b) x = static_cast<std::uint8_t>(rng());
                break;
            }
            case 1: {  // codes mostly in range, some just above next_free_code
                std::vector<int> codes = {static_cast<int>(rng() % 300)};
                for (int i = 1; i < 400; ++i) {
                    const int next_free = std::min(255 + i, kLzwEndCode);
                    codes.push_back(rng() % 50 == 0 ? next_free + 1 + static_cast<int>(rng() % 40)
                                                    : static_cast<int>(rng() % (next_free + 1)));
                }
                b = pack(codes);
                break;
            }
            case 2: {  // a valid stream of a long run, near the chain limit
                b = bytes_of(lzw_compress(std::string(4000 + rng() % 4000, 'q')));
                break;
            }
            default: {  // a valid stream
                std::string text(rng() % 5000, '\0');
                for (char& ch : text) ch = static_cast<char>('a' + rng() % 4);
                b = bytes_of(lzw_compress(text));
                break;
            }
            }
            streams.push_back(std::move(b));
        }
        const auto fast = run_sequence(streams, LzwWalk::fast, static_cast<std::uint32_t>(round));
        const auto exact = run_sequence(streams, LzwWalk::exact, static_cast<std::uint32_t>(round) + 1000);
        for (std::size_t s = 0; s < streams.size(); ++s) {
            ASSERT_EQ(fast[s].bytes, exact[s].bytes) << "round " << round << " stream " << s;
            ASSERT_EQ(fast[s].status.bytes_out, exact[s].status.bytes_out) << "round " << round;
            ASSERT_EQ(fast[s].status.error, exact[s].status.error) << "round " << round;
        }
    }
}

TEST(LzwExpander, TraceRingIsBalancedOnEveryPath) {
    trace::Ring& ring = trace::ring();
    const int before = ring.position;
    const Bytes chain_failure = pack(run_codes(256 + kLzwMaxString + 2));
    const Bytes good = bytes_of({0x04, 0x10, 0x42, 0x10, 0x0F, 0xFF});
    for (const Bytes* stream : {&good, &chain_failure}) {
        MemorySink sink;
        lzexpbfi();
        EXPECT_EQ(ring.position, before);
        EXPECT_STREQ(ring.slots[static_cast<std::size_t>(before)], "lzexpbfi");
        lzexpbf(sink, stream->data(), stream->size());
        EXPECT_EQ(ring.position, before);
        EXPECT_STREQ(ring.slots[static_cast<std::size_t>(before)], "lzexpbf");
        const std::string inner = ring.slots[static_cast<std::size_t>(before + 1) % trace::kRingSlots];
        EXPECT_TRUE(inner == "input_code" || inner == "decode_string") << inner;
    }
}

}  // namespace
