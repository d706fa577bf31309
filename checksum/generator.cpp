#include "checksum/generator.h"

#include "common/trace.h"

namespace tally {

namespace {
constexpr std::uint32_t kMultiplier = 3677;
constexpr std::uint32_t kIncrement = 3;
}  // namespace

void srandom(GeneratorState& state, int seed) {
    TraceScope scope("srandom");
    state = static_cast<GeneratorState>(static_cast<std::uint32_t>(seed) & 0xFFFFu);
}

GeneratorState random(GeneratorState& state) {
    TraceScope scope("random");
    // Computed in 32 bits: the product of a 16-bit state and 3677 needs them.
    const std::uint32_t next = (std::uint32_t{state} * kMultiplier + kIncrement) % kGeneratorPeriod;
    state = static_cast<GeneratorState>(next);
    return state;
}

}  // namespace tally
