// The skip count of the command line.
#pragma once

#include <cstdint>

namespace tally {

// Converts `text` as a signed decimal number: leading white space skipped,
// one optional sign, then digits up to the first character that is not one.
// Whatever follows is ignored; no digits at all gives 0.
std::int32_t parse_count(const char* text);

}  // namespace tally
