#include "checksum/count.h"

#include <cstdint>
#include <limits>

namespace tally {

namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

// A count beyond the signed 32-bit range saturates: a too large one becomes
// 2147483647 and a too small one -2147483648, as the C library's strtol does
// at the edges of its range. The count keeps meaning what the user meant (far
// past the end sums nothing, below the start sums everything), the line shows
// the count actually used, and no digit string can overflow the arithmetic.
std::int32_t parse_count(const char* text) {
    constexpr std::uint64_t kMaxMagnitude = std::uint64_t{1} << 31;  // |INT32_MIN|

    while (is_space(*text)) ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;

    std::uint64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(*text - '0');
        if (magnitude > kMaxMagnitude) magnitude = kMaxMagnitude;
    }

    if (negative) {
        if (magnitude == kMaxMagnitude) return std::numeric_limits<std::int32_t>::min();
        return -static_cast<std::int32_t>(magnitude);
    }
    if (magnitude >= kMaxMagnitude) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(magnitude);
}

}  // namespace tally
