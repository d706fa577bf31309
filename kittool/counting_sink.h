// A ByteSink that keeps nothing: it only counts what passes through it, so a
// compressed file can be expanded without a place to put it.
#pragma once

#include <array>
#include <cstdint>

#include "installer/bytesink.h"

namespace counting_sink_detail {
// Held in a base class so the buffer exists before ByteSink is given it.
struct Storage {
    std::array<std::uint8_t, ByteSink::kMinReserve> buffer{};
};
}  // namespace counting_sink_detail

class CountingSink : private counting_sink_detail::Storage, public ByteSink {
public:
    CountingSink() : Storage(), ByteSink(buffer.data(), buffer.size()) {}

    bool flush() override {
        count_ += static_cast<std::int64_t>(pending());
        reset();
        return true;
    }
    // Bytes written so far.
    std::int64_t count() {
        flush();
        return count_;
    }

private:
    std::int64_t count_ = 0;
};
