// A buffered byte sink with its buffer in view. Producers either put bytes
// one at a time or reserve a run of contiguous room and fill it directly,
// so the expander can write whole strings without a call per byte.
// The sink knows nothing of what is behind it: a file, memory, a counter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteSink {
public:
    // Every sink's buffer has at least this much room, so a reservation of up
    // to kMinReserve bytes always succeeds.
    static constexpr std::size_t kMinReserve = 4096;

    virtual ~ByteSink() = default;
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;

    void put(std::uint8_t byte) {
        if (pos_ == end_) drain();
        *pos_++ = byte;
    }

    void write(const std::uint8_t* data, std::size_t n) {
        while (n > 0) {
            if (pos_ == end_) drain();
            std::size_t room = static_cast<std::size_t>(end_ - pos_);
            std::size_t take = n < room ? n : room;
            std::memcpy(pos_, data, take);
            pos_ += take;
            data += take;
            n -= take;
        }
    }

    // Room for n (at most kMinReserve) contiguous bytes; fill them, then commit(n).
    std::uint8_t* reserve(std::size_t n) {
        if (static_cast<std::size_t>(end_ - pos_) < n) drain();
        return pos_;
    }
    void commit(std::size_t n) { pos_ += n; }

    // Empties the buffer into the destination; false once a write has failed.
    virtual bool flush() = 0;

protected:
    ByteSink(std::uint8_t* buffer, std::size_t size) : begin_(buffer), pos_(buffer), end_(buffer + size) {}
    // Makes the whole buffer free again (after handing its bytes on).
    void drain() {
        flush();
        pos_ = begin_;
    }
    std::size_t pending() const { return static_cast<std::size_t>(pos_ - begin_); }
    const std::uint8_t* data() const { return begin_; }
    void reset() { pos_ = begin_; }

private:
    std::uint8_t* begin_;
    std::uint8_t* pos_;
    std::uint8_t* end_;
};
