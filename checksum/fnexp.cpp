#include "checksum/fnexp.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/trace.h"

namespace tally {

namespace {

// A path with its terminator.
using PathBuffer = std::array<char, kMaxPath + 1>;

// The result of the last call: one buffer for the whole run, like the
// caller expects (a second call overwrites the first result).
PathBuffer& expansion_buffer() {
    static PathBuffer the_buffer{};
    return the_buffer;
}

// The C white-space set, decided on the byte value alone so that the locale
// cannot turn code-page letters (128..255) into white space.
bool is_leading_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Tabs and line ends are dropped wherever they stand; blanks, vertical tabs
// and form feeds inside the name are kept.
bool is_dropped(char c) { return c == '\t' || c == '\n' || c == '\r'; }

bool is_name_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Copies `first` and then `second` into the expansion buffer. The callers
// have checked that they fit.
const char* store(std::string_view first, std::string_view second = {}) {
    PathBuffer& out = expansion_buffer();
    char* end = std::copy(first.begin(), first.end(), out.data());
    end = std::copy(second.begin(), second.end(), end);
    *end = '\0';
    return out.data();
}

}  // namespace

const char* fnexp(const char* text) {
    TraceScope scope("fnexp");

    while (is_leading_space(*text)) ++text;

    PathBuffer working{};
    std::size_t length = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (is_dropped(*p)) continue;
        if (length == kMaxPath) return nullptr;
        working[length++] = *p;
    }
    const std::string_view copy(working.data(), length);

    if (copy.empty() || copy.front() != '$') return store(copy);

    std::size_t name_end = 1;
    while (name_end < copy.size() && name_end - 1 < kMaxVarName && is_name_char(copy[name_end])) ++name_end;
    const std::string name(copy.substr(1, name_end - 1));
    const std::string_view rest = copy.substr(name_end);

    // An empty name is never set, whatever the platform's lookup says.
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value != nullptr) {
        const std::string_view value_view(value);
        if (value_view.size() + rest.size() <= kMaxPath) return store(value_view, rest);
    }
    if (name == kDefaultVar) return store(kDefaultValue, rest);
    return store(rest);
}

}  // namespace tally
