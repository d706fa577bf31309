// The checksum's inner loop: a dot product of signed bytes with the weights
// of their positions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "checksum/generator.h"

namespace tally {

// The weight (0..32767) of every position within the generator's period.
using Weights = std::array<std::int16_t, kGeneratorPeriod>;

// Sum of data[i] * weights[first + i] for i below n, each byte taken as
// a signed 8-bit value, wrapping modulo 2^32. first + n must not pass the end
// of the period. Runs the fastest kernel the processor has.
std::uint32_t weighted_sum(const unsigned char* data, const Weights& weights, std::size_t first, std::size_t n);

// The kernels behind weighted_sum, every one giving the same result; the
// plain one works everywhere, the others need processor features.
using WeightedSumKernel = std::uint32_t (*)(const unsigned char*, const Weights&, std::size_t, std::size_t);
struct NamedKernel {
    const char* name;
    WeightedSumKernel run;
};
// The kernels this processor can run, plainest first, fastest last.
std::vector<NamedKernel> usable_kernels();

}  // namespace tally
