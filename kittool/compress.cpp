#include "kittool/compress.h"

#include "installer/lzw.h"
#include "installer/memsink.h"

LzwCompressor::LzwCompressor() { start_stream(); }

void LzwCompressor::start_stream() {
    slots_.fill(kEmptySlot);
    current_ = -1;
    current_length_ = 0;
    next_code_ = kLzwFirstDictionaryCode;
    held_code_ = -1;
}

namespace {

// Fibonacci hashing: the top bits of the product spread the 20-bit keys
// (text's few byte values and consecutive codes cluster under anything simpler).
std::size_t slot_of(std::uint32_t key) { return (key * 2654435761u) >> (32 - 15); }
static_assert(std::size_t{1} << 15 == 32768, "slot_of takes 15 bits");

}  // namespace

void LzwCompressor::emit(ByteSink& out, int code) {
    if (held_code_ < 0) {
        held_code_ = code;
        return;
    }
    std::uint8_t* group = out.reserve(3);
    group[0] = static_cast<std::uint8_t>(held_code_ >> 4);
    group[1] = static_cast<std::uint8_t>(((held_code_ & 0x0F) << 4) | (code >> 8));
    group[2] = static_cast<std::uint8_t>(code & 0xFF);
    out.commit(3);
    held_code_ = -1;
}

void LzwCompressor::write(ByteSink& out, const std::uint8_t* data, std::size_t n) {
    if (n == 0) return;
    std::size_t i = 0;
    if (current_ < 0) {
        current_ = data[i++];
        current_length_ = 1;
    }
    // Worked on in locals so they stay in registers: the sink's calls could
    // otherwise make the compiler store them back after every byte.
    int current = current_;
    int current_length = current_length_;
    int next_code = next_code_;
    for (; i < n; ++i) {
        const std::uint8_t byte = data[i];
        // A string at the expander's chain limit is never extended, so no
        // code this compressor emits can be refused.
        const bool extendable = current_length < kLzwMaxString;
        const auto key = static_cast<std::uint32_t>((current << 8) | byte);
        std::size_t slot = slot_of(key);
        if (extendable) {
            std::uint32_t entry = slots_[slot];
            while (entry != kEmptySlot && (entry >> kCodeBits) != key) {
                slot = (slot + 1) & (kHashSlots - 1);
                entry = slots_[slot];
            }
            if (entry != kEmptySlot) {
                current = static_cast<int>(entry & ((1u << kCodeBits) - 1));
                ++current_length;
                continue;
            }
        }
        emit(out, current);
        // The expander defines this same string now, in this same order,
        // whether or not it can ever be matched.
        if (next_code <= kLzwLastDictionaryCode) {
            if (extendable) slots_[slot] = key << kCodeBits | static_cast<std::uint32_t>(next_code);
            ++next_code;
        }
        current = byte;
        current_length = 1;
    }
    current_ = current;
    current_length_ = current_length;
    next_code_ = next_code;
}

void LzwCompressor::finish(ByteSink& out) {
    if (current_ >= 0) {
        emit(out, current_);
        if (held_code_ >= 0) {
            // The last data code opens a group: the end code completes it.
            emit(out, kLzwEndCode);
        } else {
            // The last data code closes a group; the expander takes a group's
            // second code only when a byte follows, so the end code's own
            // group always comes after it.
            emit(out, kLzwEndCode);
            emit(out, kLzwEndCode);
        }
    }
    start_stream();
}

std::string lzw_compress(std::string_view data) {
    MemorySink sink;
    LzwCompressor compressor;
    compressor.write(sink, reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    compressor.finish(sink);
    return sink.take();
}
