// fnexp on arbitrary arguments and environment values: it never writes past
// its buffers, refuses only a cleaned text over 127 characters, and keeps to
// the few rules a user relies on.
//
// Input, split at NUL bytes: the argument, the value of VELK, the name of a
// second variable and its value. A missing part leaves the variable unset.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "checksum/fnexp.h"
#include "fuzz/check.h"

using fuzzcheck::expect;

namespace {

std::vector<std::string> parts_of(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) parts.emplace_back();
        else parts.back() += static_cast<char>(data[i]);
    }
    return parts;
}

bool leading_white(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Steps 1 and 2 of the expansion: what the tool works on.
std::string cleaned(const std::string& arg) {
    std::size_t at = 0;
    while (at < arg.size() && leading_white(arg[at])) ++at;
    std::string out;
    for (; at < arg.size(); ++at)
        if (arg[at] != '\t' && arg[at] != '\n' && arg[at] != '\r') out += arg[at];
    return out;
}

bool valid_name(const std::string& name) {
    if (name.empty() || name.find('=') != std::string::npos) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> parts = parts_of(data, size);
    const std::string& arg = parts[0];
    if (parts.size() > 1) ::setenv("VELK", parts[1].c_str(), 1);
    else ::unsetenv("VELK");
    // A second variable, any name; whatever it held before is put back.
    std::string other;
    const char* before = nullptr;
    std::string saved;
    if (parts.size() > 3 && valid_name(parts[2])) {
        other = parts[2];
        before = std::getenv(other.c_str());
        if (before != nullptr) saved = before;
        ::setenv(other.c_str(), parts[3].c_str(), 1);
    }

    const std::string work = cleaned(arg);
    const char* result = tally::fnexp(arg.c_str());
    if (work.size() > tally::kMaxPath) {
        expect(result == nullptr, "an over-long name was not refused");
    } else {
        expect(result != nullptr, "a name that fits was refused");
        const std::size_t length = std::strlen(result);
        expect(length <= tally::kMaxPath, "a result longer than the buffer");
        if (work.empty() || work[0] != '$') expect(work == result, "a name without $ was changed");
        // The default is exactly as long as "$VELK": the result never grows
        // past the working copy unless a set variable's value made it.
        const bool names_velk = work.rfind("$VELK", 0) == 0 && (work.size() == 5 || !std::isalnum(static_cast<unsigned char>(work[5])));
        if (names_velk && std::getenv("VELK") == nullptr) expect(length == work.size(), "the default changed the length");
    }
    if (!other.empty()) {
        if (before != nullptr) ::setenv(other.c_str(), saved.c_str(), 1);
        else ::unsetenv(other.c_str());
    }
    return 0;
}
