// The expander and the compressor on their own, without files or console:
// compresses a file in memory, expands it again in 16384-byte chunks into a
// sink that only counts, checks the round trip and prints the throughputs.
// A supplement to run.sh, to see where the time of the programs goes.
//
// usage: lzw_bench FILE [REPEATS]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "installer/lzw.h"
#include "installer/memsink.h"
#include "kittool/compress.h"

namespace {

constexpr std::size_t kChunk = 16384;

// Keeps the expanded bytes only long enough to compare them.
class CheckSink : public ByteSink {
public:
    explicit CheckSink(const std::string& expected) : ByteSink(buffer_, sizeof buffer_), expected_(expected) {}
    bool flush() override {
        const std::size_t n = pending();
        if (offset_ + n > expected_.size() ||
            !std::equal(data(), data() + n, reinterpret_cast<const std::uint8_t*>(expected_.data()) + offset_)) {
            same_ = false;
        }
        offset_ += n;
        reset();
        return true;
    }
    bool same() const { return same_ && offset_ == expected_.size(); }

private:
    std::uint8_t buffer_[65536];
    const std::string& expected_;
    std::size_t offset_ = 0;
    bool same_ = true;
};

// Counts what it is given and forgets it.
class DiscardSink : public ByteSink {
public:
    DiscardSink() : ByteSink(buffer_, sizeof buffer_) {}
    bool flush() override {
        total_ += pending();
        reset();
        return true;
    }

private:
    std::uint8_t buffer_[65536];
    std::size_t total_ = 0;
};

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: lzw_bench FILE [REPEATS]\n", stderr);
        return 2;
    }
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    std::ifstream in(argv[1], std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    const std::string packed = lzw_compress(text);
    std::vector<double> pack_times;
    for (int r = 0; r < repeats; ++r) {
        DiscardSink sink;
        LzwCompressor compressor;
        const auto start = std::chrono::steady_clock::now();
        compressor.write(sink, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        compressor.finish(sink);
        pack_times.push_back(seconds_since(start));
    }

    std::vector<double> unpack_times;
    bool same = true;
    for (int r = 0; r < repeats; ++r) {
        CheckSink sink(text);
        const auto start = std::chrono::steady_clock::now();
        lzexpbfi();
        LzwStatus status;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(packed.data());
        for (std::size_t at = 0; at < packed.size(); at += kChunk) {
            status = lzexpbf(sink, bytes + at, std::min(kChunk, packed.size() - at));
        }
        sink.flush();
        unpack_times.push_back(seconds_since(start));
        same = same && sink.same() && status.bytes_out == static_cast<std::int64_t>(text.size());
    }

    const double mb = static_cast<double>(text.size()) / 1e6;
    std::printf("%.1f MB -> %.1f MB; medians of %d\n", mb, static_cast<double>(packed.size()) / 1e6, repeats);
    std::printf("  compress  %7.3f s  %7.0f MB/s in\n", median(pack_times), mb / median(pack_times));
    std::printf("  expand    %7.3f s  %7.0f MB/s out (comparison included)\n", median(unpack_times),
                mb / median(unpack_times));
    std::printf("  round trip %s\n", same ? "exact" : "DIFFERS");
    return same ? 0 : 1;
}
