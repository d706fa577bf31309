#include "checksum/tally.h"

#include <algorithm>

#include "checksum/weighted_sum.h"

namespace tally {

Weights make_weights() {
    Weights weights{};
    GeneratorState state = 0;
    srandom(state, 0);
    // Stepping the generator once per byte would cost a call per byte; its
    // sequence repeats every period, so one pass gives every weight there is.
    for (std::size_t i = 0; i < kGeneratorPeriod; ++i) {
        weights[i] = static_cast<std::int16_t>(random(state));
    }
    return weights;
}

void Tally::add(const unsigned char* data, std::size_t n) {
    bytes_ += static_cast<std::uint32_t>(n);
    while (n > 0) {
        const std::size_t run = std::min(n, kGeneratorPeriod - phase_);
        checksum_ += weighted_sum(data, weights_, phase_, run);
        phase_ = (phase_ + run) % kGeneratorPeriod;
        data += run;
        n -= run;
    }
}

}  // namespace tally
