#include "checksum/weighted_sum.h"

#include <algorithm>
#include <limits>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace tally {

namespace {

// Products are summed in signed 32-bit runs short enough never to overflow,
// which lets the compiler use the processor's 16-bit multiply-add; the runs
// are then added with the wrap-around the checksum is defined with.
constexpr std::size_t kRunLength = 512;
constexpr std::int64_t kLargestProduct = 128 * 32767;
static_assert(static_cast<std::int64_t>(kRunLength) * kLargestProduct <= std::numeric_limits<std::int32_t>::max());

std::uint32_t plain_sum(const unsigned char* data, const Weights& weights, std::size_t first, std::size_t n) {
    const std::int16_t* weight = weights.data() + first;
    std::uint32_t total = 0;
    while (n > 0) {
        const std::size_t run = std::min(n, kRunLength);
        std::int32_t partial = 0;
        for (std::size_t i = 0; i < run; ++i) partial += static_cast<std::int8_t>(data[i]) * weight[i];
        total += static_cast<std::uint32_t>(partial);
        data += run;
        weight += run;
        n -= run;
    }
    return total;
}

#if defined(__x86_64__) && defined(__GNUC__)

// The vector kernels keep their sums in 32-bit lanes for the whole call: lane
// additions wrap like the checksum, so the lanes are only added up once at
// the end, and the bytes left over after the last full vector go through the
// plain loop.

template <typename Lanes>
std::uint32_t add_lanes(const Lanes& lanes) {
    std::uint32_t total = 0;
    for (std::uint32_t lane : lanes) total += lane;
    return total;
}

// 16-bit multiply-add: each lane pairs two products of at most 128 * 32767 in
// magnitude, and no weight is -32768, the one value the instruction cannot
// pair with itself.
[[gnu::target("avx2")]] std::uint32_t avx2_sum(const unsigned char* data, const Weights& weights, std::size_t first,
                                              std::size_t n) {
    constexpr std::size_t kStep = 32;
    const std::int16_t* weight = weights.data() + first;
    __m256i low = _mm256_setzero_si256();
    __m256i high = _mm256_setzero_si256();
    std::size_t i = 0;
    for (; i + kStep <= n; i += kStep) {
        const __m256i bytes_low = _mm256_cvtepi8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)));
        const __m256i bytes_high =
            _mm256_cvtepi8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16)));
        const __m256i weights_low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weight + i));
        const __m256i weights_high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weight + i + 16));
        low = _mm256_add_epi32(low, _mm256_madd_epi16(bytes_low, weights_low));
        high = _mm256_add_epi32(high, _mm256_madd_epi16(bytes_high, weights_high));
    }
    std::array<std::uint32_t, 8> lanes{};
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes.data()), _mm256_add_epi32(low, high));
    return add_lanes(lanes) + plain_sum(data + i, weights, first + i, n - i);
}

// The same with vectors twice as wide.
[[gnu::target("avx512bw")]] std::uint32_t avx512_sum(const unsigned char* data, const Weights& weights,
                                                    std::size_t first, std::size_t n) {
    constexpr std::size_t kStep = 64;
    const std::int16_t* weight = weights.data() + first;
    __m512i low = _mm512_setzero_si512();
    __m512i high = _mm512_setzero_si512();
    std::size_t i = 0;
    for (; i + kStep <= n; i += kStep) {
        const __m512i bytes_low = _mm512_cvtepi8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i)));
        const __m512i bytes_high =
            _mm512_cvtepi8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + 32)));
        low = _mm512_add_epi32(low, _mm512_madd_epi16(bytes_low, _mm512_loadu_si512(weight + i)));
        high = _mm512_add_epi32(high, _mm512_madd_epi16(bytes_high, _mm512_loadu_si512(weight + i + 32)));
    }
    std::array<std::uint32_t, 16> lanes{};
    _mm512_storeu_si512(lanes.data(), _mm512_add_epi32(low, high));
    return add_lanes(lanes) + plain_sum(data + i, weights, first + i, n - i);
}

#endif

WeightedSumKernel fastest_kernel() { return usable_kernels().back().run; }

}  // namespace

std::vector<NamedKernel> usable_kernels() {
    std::vector<NamedKernel> kernels{{"plain", plain_sum}};
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) kernels.push_back({"avx2", avx2_sum});
    if (__builtin_cpu_supports("avx512bw")) kernels.push_back({"avx512bw", avx512_sum});
#endif
    return kernels;
}

std::uint32_t weighted_sum(const unsigned char* data, const Weights& weights, std::size_t first, std::size_t n) {
    static const WeightedSumKernel kernel = fastest_kernel();
    return kernel(data, weights, first, n);
}

}  // namespace tally
