// What the fuzz targets share: a failed expectation is a finding, reported
// with its reason and ended by abort() so libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzzcheck {

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz finding: %s (%s:%d)\n", what, file, line);
    std::abort();
}

inline void expect(bool ok, const char* what, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    if (!ok) fail(what, file, line);
}

}  // namespace fuzzcheck
