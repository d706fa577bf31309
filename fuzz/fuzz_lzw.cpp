// The LZW expander on arbitrary streams cut into arbitrary chunks: every way
// of cutting a stream, and both ways of walking the dictionary, must give
// the same bytes, the same count and the same outcome as the whole stream
// handed over at once.
//
// Input: a control byte (limit kind), two bytes of limit, a chunking seed,
// the length of an earlier stream, then that earlier stream (it leaves its
// entries in the tables, as an earlier file of the kit does), then the
// stream under test.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

#include "fuzz/check.h"
#include "installer/lzw.h"
#include "installer/memsink.h"

using fuzzcheck::expect;

namespace {

// Large enough for every path of the expander, small enough to keep each
// run fast: a 4 KB stream could otherwise expand to megabytes.
constexpr std::int64_t kMostBytes = std::int64_t{1} << 22;
constexpr std::size_t kHeader = 5;

struct Expansion {
    std::string bytes;
    LzwStatus status;
};

struct Input {
    std::int64_t limit = kMostBytes;
    std::uint32_t seed = 0;
    const std::uint8_t* earlier = nullptr;
    std::size_t earlier_size = 0;
    const std::uint8_t* stream = nullptr;
    std::size_t stream_size = 0;
};

Input split(const std::uint8_t* data, std::size_t size) {
    Input in;
    if (size < kHeader) {
        in.stream = data;
        in.stream_size = size;
        return in;
    }
    const std::int64_t value = data[1] | (data[2] << 8);
    switch (data[0] % 4) {
        case 0: in.limit = kMostBytes; break;
        case 1: in.limit = value * 64; break;
        case 2: in.limit = value; break;
        default: in.limit = -value; break;
    }
    in.seed = data[3];
    in.earlier = data + kHeader;
    in.earlier_size = std::min<std::size_t>(data[4], size - kHeader);
    in.stream = in.earlier + in.earlier_size;
    in.stream_size = size - kHeader - in.earlier_size;
    return in;
}

// From the program-start state: the earlier stream, then the one under test,
// whole (seed 0) or in chunks of sizes drawn from the seed, empty ones
// included.
Expansion expand(const Input& in, LzwWalk walk, bool chunked) {
    lzw_reset_tables();
    MemorySink earlier;
    lzexpbfi(kMostBytes, walk);
    lzexpbf(earlier, in.earlier, in.earlier_size);

    MemorySink sink;
    lzexpbfi(in.limit, walk);
    LzwStatus status;
    if (!chunked) {
        status = lzexpbf(sink, in.stream, in.stream_size);
    } else {
        std::mt19937 rng(in.seed);
        std::size_t at = 0;
        while (at < in.stream_size) {
            std::size_t n = std::min<std::size_t>(rng() % 8 == 0 ? 0 : 1 + rng() % 7, in.stream_size - at);
            if (rng() % 16 == 0) n = in.stream_size - at;
            status = lzexpbf(sink, in.stream + at, n);
            at += n;
        }
        // Chunks after the stream has been used up change nothing.
        LzwStatus again = lzexpbf(sink, in.stream, 0);
        expect(again.bytes_out == status.bytes_out && again.error == status.error, "an empty chunk changed the state");
    }
    return {sink.take(), status};
}

void expect_same(const Expansion& a, const Expansion& b, const char* what) {
    expect(a.bytes == b.bytes, what);
    expect(a.status.bytes_out == b.status.bytes_out, what);
    expect(a.status.error == b.status.error, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Input in = split(data, size);
    const Expansion whole = expand(in, LzwWalk::fast, false);
    expect(static_cast<std::int64_t>(whole.bytes.size()) == whole.status.bytes_out, "count is not the bytes written");
    expect(whole.status.bytes_out <= std::max<std::int64_t>(in.limit, 0), "the byte limit was passed");
    if (in.stream_size == 0) expect(whole.status.bytes_out == 0, "bytes from an empty stream");

    expect_same(whole, expand(in, LzwWalk::fast, true), "chunked expansion differs from whole");
    expect_same(whole, expand(in, LzwWalk::exact, false), "exact walk differs from fast walk");
    expect_same(whole, expand(in, LzwWalk::exact, true), "chunked exact walk differs");
    return 0;
}
