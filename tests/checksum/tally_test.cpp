// The checksum core against a plain byte-at-a-time loop: the fast path must
// give the exact result for every length, alignment and division into blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "checksum/tally.h"
#include "checksum/weighted_sum.h"

namespace {

// One generator step per byte, as the checksum is defined.
std::uint32_t reference_checksum(const std::vector<unsigned char>& bytes) {
    std::uint32_t state = 0;
    std::uint32_t sum = 0;
    for (unsigned char byte : bytes) {
        state = (state * 3677 + 3) % 32768;
        const std::int32_t value = byte < 128 ? byte : byte - 256;
        sum += static_cast<std::uint32_t>(value) * state;
    }
    return sum;
}

std::vector<unsigned char> random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<unsigned char> bytes(n);
    for (auto& b : bytes) b = static_cast<unsigned char>(gen());
    return bytes;
}

TEST(Tally, SameResultHoweverTheBlocksDivideTheBytes) {
    const tally::Weights weights = tally::make_weights();
    const auto bytes = random_bytes(3 * 32768 + 1000, 7);
    const std::uint32_t expected = reference_checksum(bytes);
    for (std::size_t block : {1u, 7u, 255u, 256u, 257u, 4096u, 32767u, 32768u, 65536u, 200000u}) {
        tally::Tally sum(weights);
        for (std::size_t at = 0; at < bytes.size(); at += block) {
            sum.add(bytes.data() + at, std::min(block, bytes.size() - at));
        }
        EXPECT_EQ(sum.checksum(), expected) << "blocks of " << block;
        EXPECT_EQ(sum.bytes(), bytes.size());
    }
}

TEST(Tally, ExtremeBytesWrapLikeTheByteLoop) {
    // All -128 or all 127 against the largest weights pushes every partial
    // sum of the fast loop as far as it can go.
    const tally::Weights weights = tally::make_weights();
    for (int fill : {0x80, 0x7F, 0xFF}) {
        const std::vector<unsigned char> bytes(100000, static_cast<unsigned char>(fill));
        tally::Tally sum(weights);
        sum.add(bytes.data(), bytes.size());
        EXPECT_EQ(sum.checksum(), reference_checksum(bytes)) << "fill " << fill;
    }
}

// Every kernel the processor can run against a plain loop, for every length
// (the vector kernels leave tails to the plain one), every alignment of the
// bytes and of the weights, and the extreme values a lane can accumulate.
TEST(Tally, EveryKernelAgreesWithTheByteLoop) {
    const tally::Weights weights = tally::make_weights();
    tally::Weights heaviest{};
    heaviest.fill(32767);
    const auto random = random_bytes(1200, 11);
    const std::vector<unsigned char> lowest(40000, 0x80);
    const std::vector<unsigned char> highest(40000, 0x7F);

    const auto want = [](const std::vector<unsigned char>& bytes, std::size_t start, const tally::Weights& w,
                         std::size_t first, std::size_t n) {
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < n; ++i) {
            sum += static_cast<std::uint32_t>(static_cast<std::int8_t>(bytes[start + i]) * w[first + i]);
        }
        return sum;
    };

    for (const tally::NamedKernel& kernel : tally::usable_kernels()) {
        SCOPED_TRACE(kernel.name);
        for (std::size_t start = 0; start < 3; ++start) {
            for (std::size_t first : {0u, 1u, 31u, 32000u}) {
                for (std::size_t n = 0; start + n <= random.size() && first + n <= weights.size(); n += 7) {
                    ASSERT_EQ(kernel.run(random.data() + start, weights, first, n), want(random, start, weights, first, n))
                        << "start " << start << " first " << first << " length " << n;
                }
            }
        }
        for (const auto* bytes : {&lowest, &highest}) {
            for (std::size_t n : {512u, 513u, 32767u}) {
                EXPECT_EQ(kernel.run(bytes->data(), heaviest, 0, n), want(*bytes, 0, heaviest, 0, n)) << n;
                EXPECT_EQ(kernel.run(bytes->data(), weights, 1, n), want(*bytes, 0, weights, 1, n)) << n;
            }
        }
    }
    EXPECT_EQ(tally::weighted_sum(random.data(), weights, 5, 1000), want(random, 0, weights, 5, 1000));
}

}  // namespace
