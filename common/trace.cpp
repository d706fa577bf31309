#include "common/trace.h"

namespace trace {

Ring& ring() {
    static Ring the_ring;
    return the_ring;
}

void enter(const char* name) {
    Ring& r = ring();
    r.slots[static_cast<std::size_t>(r.position)] = name;
    r.position += 1;
    if (r.position >= static_cast<int>(kRingSlots)) r.position = 0;
}

void leave() {
    Ring& r = ring();
    r.position -= 1;
    if (r.position < 0) r.position = 0;
}

}  // namespace trace
