// The tool's own 15-bit weight generator. It lives in a namespace of its own
// because the C library has routines called random and srandom as well; the
// two must never be confused, the weights depend on this exact sequence.
#pragma once

#include <cstdint>

namespace tally {

using GeneratorState = std::uint16_t;

// Number of states the generator walks through before it repeats.
inline constexpr std::uint32_t kGeneratorPeriod = 32768;

// Stores the low 16 bits of `seed` in `state`.
void srandom(GeneratorState& state, int seed);

// Advances `state` to (state * 3677 + 3) mod 32768 and returns it (0..32767).
GeneratorState random(GeneratorState& state);

}  // namespace tally
