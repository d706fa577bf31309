// The trace ring: the last 50 routine names entered, kept for post-mortem
// inspection in a debugger. Each program links its own copy, so each has a
// ring of its own. Nothing in the programs reads it.
#pragma once

#include <array>
#include <cstddef>

namespace trace {

inline constexpr std::size_t kRingSlots = 50;

// The one ring of the program: a true singleton, like the position beside it.
struct Ring {
    std::array<const char*, kRingSlots> slots{};
    int position = 0;
};

Ring& ring();

// Records `name` at the current position and steps forward, wrapping at 50.
void enter(const char* name);
// Steps back, never below 0.
void leave();

}  // namespace trace

// Records a routine's name on entry and steps the ring back on every way out
// of the scope, early returns included.
class TraceScope {
public:
    explicit TraceScope(const char* name) { trace::enter(name); }
    ~TraceScope() { trace::leave(); }
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;
};
