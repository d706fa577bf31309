#pragma once

// Test data shared by the end-to-end tests: repeatable bytes, text-like
// bytes, and LZW streams written code by code.

#include <cstddef>
#include <string>
#include <vector>

namespace testing_support {

// n bytes from a seeded generator: the same bytes for the same seed.
std::string random_bytes(std::size_t n, unsigned seed);
// n bytes of words and line ends, which compress well.
std::string text_like(std::size_t n);
// The codes packed two per three bytes, the end code's group last.
std::string pack_codes(std::vector<int> codes);

}  // namespace testing_support
