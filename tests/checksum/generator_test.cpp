// The weight generator: its sequence from seed 0 is what every checksum the
// kit was ever shipped with depends on.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>

#include "checksum/generator.h"
#include "checksum/tally.h"
#include "common/trace.h"

namespace {

TEST(Generator, FirstWeightsFromSeedZero) {
    tally::GeneratorState state = 12345;
    tally::srandom(state, 0);
    const std::array<std::uint16_t, 8> expected{3, 11034, 5237, 21636, 27639, 15038, 15113, 28744};
    for (std::uint16_t want : expected) EXPECT_EQ(tally::random(state), want);
}

TEST(Generator, WalksEveryStateOnceAndEndsThePeriodOnZero) {
    tally::GeneratorState state = 0;
    tally::srandom(state, 0);
    std::set<std::uint16_t> seen;
    std::uint16_t last = 0;
    for (std::uint32_t i = 0; i < tally::kGeneratorPeriod; ++i) {
        last = tally::random(state);
        ASSERT_LT(last, 32768u);
        seen.insert(last);
    }
    EXPECT_EQ(seen.size(), tally::kGeneratorPeriod);
    EXPECT_EQ(last, 0u);
    EXPECT_EQ(tally::random(state), 3u) << "the sequence starts over";
}

TEST(Generator, SeedKeepsItsLow16Bits) {
    tally::GeneratorState state = 0;
    tally::srandom(state, 0x12345);
    EXPECT_EQ(state, 0x2345u);
    tally::srandom(state, -1);
    EXPECT_EQ(state, 0xFFFFu);
    // A state above 32767 (only a seed can make one) still steps to 0..32767,
    // computed without overflowing: (65535 * 3677 + 3) mod 32768.
    EXPECT_EQ(tally::random(state), static_cast<std::uint16_t>((65535u * 3677u + 3u) % 32768u));
}

TEST(Generator, WeightTableIsTheSequenceFromSeedZero) {
    const tally::Weights weights = tally::make_weights();
    tally::GeneratorState state = 0;
    tally::srandom(state, 0);
    for (std::size_t i = 0; i < weights.size(); ++i) {
        ASSERT_EQ(static_cast<std::uint16_t>(weights[i]), tally::random(state)) << "position " << i;
    }
    EXPECT_EQ(weights[32767], 0);
}

TEST(Generator, LeavesTheTraceRingWhereItWas) {
    const int before = trace::ring().position;
    tally::GeneratorState state = 0;
    tally::srandom(state, 0);
    tally::random(state);
    EXPECT_EQ(trace::ring().position, before);
}

}  // namespace
