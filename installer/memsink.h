// A ByteSink that collects everything in memory, for the kit tool and tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "installer/bytesink.h"

namespace memsink_detail {
// Held in a base class so the buffer exists before ByteSink is given it.
struct Storage {
    std::array<std::uint8_t, ByteSink::kMinReserve> buffer{};
};
}  // namespace memsink_detail

class MemorySink : private memsink_detail::Storage, public ByteSink {
public:
    MemorySink() : Storage(), ByteSink(buffer.data(), buffer.size()) {}

    bool flush() override {
        contents_.append(reinterpret_cast<const char*>(data()), pending());
        reset();
        return true;
    }

    // Everything written so far.
    const std::string& contents() {
        flush();
        return contents_;
    }

    // Hands the bytes over and starts empty again.
    std::string take() {
        flush();
        std::string all;
        all.swap(contents_);
        return all;
    }

private:
    std::string contents_;
};
