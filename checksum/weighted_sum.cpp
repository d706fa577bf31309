#include "checksum/weighted_sum.h"

#include <algorithm>
#include <limits>

namespace tally {

namespace {

// Products are summed in signed 32-bit runs short enough never to overflow,
// which lets the compiler use the processor's 16-bit multiply-add; the runs
// are then added with the wrap-around the checksum is defined with.
constexpr std::size_t kRunLength = 256;
constexpr std::int64_t kLargestProduct = 128 * 32767;
static_assert(static_cast<std::int64_t>(kRunLength) * kLargestProduct <= std::numeric_limits<std::int32_t>::max());

}  // namespace

// Built once for each vector width the compiler knows; the loader picks the
// widest the processor has, and any other machine gets the plain build.
#if defined(__GNUC__) && defined(__x86_64__)
[[gnu::target_clones("arch=x86-64-v4", "avx2", "default")]]
#endif
std::uint32_t weighted_sum(const unsigned char* data, const std::int16_t* weights, std::size_t n) {
    std::uint32_t total = 0;
    while (n > 0) {
        const std::size_t run = std::min(n, kRunLength);
        std::int32_t partial = 0;
        for (std::size_t i = 0; i < run; ++i) partial += static_cast<std::int8_t>(data[i]) * weights[i];
        total += static_cast<std::uint32_t>(partial);
        data += run;
        weights += run;
        n -= run;
    }
    return total;
}

}  // namespace tally
