// The position-weighted checksum of a byte stream, fed block by block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "checksum/weighted_sum.h"

namespace tally {

// Runs the generator once through its period from seed 0. The byte at
// position i (after the skip) gets the weight at i mod 32768, since the
// generator passes through all its states before it repeats.
Weights make_weights();

// Running byte count and checksum of one stream. The result depends only on
// the bytes and their order, never on how the blocks divide them.
class Tally {
public:
    explicit Tally(const Weights& weights) : weights_(weights) {}

    void add(const unsigned char* data, std::size_t n);

    std::uint32_t bytes() const { return bytes_; }
    std::uint32_t checksum() const { return checksum_; }

private:
    const Weights& weights_;
    std::size_t phase_ = 0;      // position of the next byte within the period
    std::uint32_t bytes_ = 0;    // bytes summed, wrapping like the checksum
    std::uint32_t checksum_ = 0; // weighted sum, wrapping modulo 2^32
};

}  // namespace tally
