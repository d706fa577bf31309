// The checksum's inner loop: a dot product of signed bytes with weights.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tally {

// Sum of data[i] * weights[i] for i below n, each byte taken as a signed
// 8-bit value, wrapping modulo 2^32. Weights are 0..32767.
std::uint32_t weighted_sum(const unsigned char* data, const std::int16_t* weights, std::size_t n);

}  // namespace tally
