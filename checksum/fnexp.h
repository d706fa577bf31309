// Expansion of the checksum tool's file argument: stray white space and
// line-end characters go, and a leading "$NAME" becomes the variable's value.
#pragma once

#include <cstddef>

namespace tally {

// Longest name the tool handles: the working copy and the result both hold
// this many characters.
inline constexpr std::size_t kMaxPath = 127;
// Longest variable name after a leading "$"; longer runs of letters and
// digits spill over into the rest of the name.
inline constexpr std::size_t kMaxVarName = 20;

// The one variable with a built-in value, used when it is unset or its value
// does not fit. The default is exactly as long as "$VELK", so the result
// never grows past the argument it came from.
inline constexpr char kDefaultVar[] = "VELK";
inline constexpr char kDefaultValue[] = "/velk";

// Returns the expanded name of `text`, held in the program's one expansion
// buffer and valid until the next call. Returns nullptr when `text` without
// its leading white space, tabs and line ends is longer than kMaxPath: such a
// name is refused rather than cut, so the tool never opens a file the user
// did not name.
const char* fnexp(const char* text);

}  // namespace tally
