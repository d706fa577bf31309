// The compressor for the installer's LZW stream format: literals 0-255,
// dictionary codes 256-4094 defined in order, then the full dictionary kept
// until the end code 4095; two 12-bit codes per three bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "installer/bytesink.h"

class LzwCompressor {
public:
    LzwCompressor();

    // Compresses the next bytes of the stream; a stream may be fed in as
    // many pieces as it likes.
    void write(ByteSink& out, const std::uint8_t* data, std::size_t n);
    // Ends the stream: its last string, then the end code's group. The
    // compressor is then ready for a new stream. An empty stream is empty.
    void finish(ByteSink& out);

private:
    // Open addressing over (prefix code, next byte) keys. Eight times the
    // number of dictionary codes: at most an eighth full, a probe nearly
    // always settles a byte at the first slot, which is what makes it fast.
    static constexpr std::size_t kHashSlots = 32768;
    // A slot holds the key and its code in one word, so a probe is one load:
    // ((prefix << 8 | byte) << 12) | code. No key has the prefix 4095 (the
    // end code never starts a string), so all ones marks an empty slot.
    static constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
    static constexpr int kCodeBits = 12;

    void start_stream();
    void emit(ByteSink& out, int code);

    std::array<std::uint32_t, kHashSlots> slots_{};  // key and code, or kEmptySlot
    int current_ = -1;         // code of the string matched so far, -1 before the first byte
    int current_length_ = 0;   // its length in bytes
    int next_code_ = 0;        // the code the next definition receives (the expander's next_free_code)
    int held_code_ = -1;       // first code of a group whose second has not come, or -1
};

// The whole of `data` as one stream.
std::string lzw_compress(std::string_view data);
