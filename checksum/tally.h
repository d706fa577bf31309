// The position-weighted checksum of a byte stream, fed block by block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "checksum/generator.h"

namespace tally {

// The weight of the byte at position i is entry i mod 32768: the generator,
// started from state 0, passes through all its states before it repeats.
using WeightTable = std::array<std::int16_t, kGeneratorPeriod>;

// Runs the generator once through its period from seed 0.
WeightTable make_weights();

// Running byte count and checksum of one stream. The result depends only on
// the bytes and their order, never on how the blocks divide them.
class Tally {
public:
    explicit Tally(const WeightTable& weights) : weights_(weights) {}

    void add(const unsigned char* data, std::size_t n);

    std::uint32_t bytes() const { return bytes_; }
    std::uint32_t checksum() const { return checksum_; }

private:
    const WeightTable& weights_;
    std::size_t phase_ = 0;      // position of the next byte within the period
    std::uint32_t bytes_ = 0;    // bytes summed, wrapping like the checksum
    std::uint32_t checksum_ = 0; // weighted sum, wrapping modulo 2^32
};

}  // namespace tally
