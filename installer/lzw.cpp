#include "installer/lzw.h"

#include <array>
#include <cstring>
#include <optional>

#include "common/trace.h"

namespace {

constexpr int kCodeCount = 4096;
constexpr int kLiteralCount = 256;
// The longest string plus the one extra character at the bottom for a code
// not yet defined.
constexpr std::size_t kStackSize = kLzwMaxString + 1;
// The fast walk keeps each string as blocks of this many characters: the
// tail (from the last multiple of kBlock below its length to its end) in a
// slot of its own, and the code of the string cut there. Most strings of
// ordinary data fit one block, so they are written with a single copy.
constexpr std::size_t kBlock = 32;
using Block = std::array<std::uint8_t, kBlock>;

// The decoder of the program: a true singleton, as only one stream is
// expanded at a time.
struct LzwDecoderState {
    bool first_code_pending = true;             // the next code taken is the stream's first
    int next_free_code = kLzwFirstDictionaryCode;  // the code the next definition receives
    int previous_code = 0;                      // the code expanded last
    std::uint8_t first_char = 0;                // first character of the string expanded last
    std::int64_t bytes_out = 0;                 // bytes handed to the sink since the stream began
    bool end_seen = false;                      // the end code has been taken
    std::array<std::uint8_t, 2> held_bytes{};   // start of a group whose other bytes have not come
    std::size_t held_count = 0;                 // how many of held_bytes are in use
    bool second_pending = false;                // the second code of the last group is not taken yet
    int second_code = 0;                        // that second code
    std::int64_t limit = std::numeric_limits<std::int64_t>::max();  // at most this many bytes out
    LzwError error = LzwError::none;            // the stream has stopped on this error
    bool clean = true;                          // every code met so far keeps to the format (see below)
};

// The dictionary and the string stack, singletons beside the decoder. Entries
// stay from one stream to the next; a stream that keeps to the format reads
// only entries it has defined itself.
struct LzwTables {
    std::array<std::uint16_t, kCodeCount> prefix_table{};  // code of the string without its last char
    std::array<std::uint8_t, kCodeCount> suffix_table{};   // last char of the string
    // String length per code. Exact while the stream is clean: its first code
    // is a literal and no code has been above next_free_code, so every prefix
    // is an earlier code of this very stream and no walk can cycle.
    std::array<std::uint16_t, kCodeCount> length_table{};
    // Also kept while the stream is clean, for the fast walk: the string's
    // last characters from its block border on (see kBlock), and the code
    // of the string cut at that border (unused while the border is 0).
    std::array<Block, kCodeCount> tail_table{};
    std::array<std::uint16_t, kCodeCount> border_code_table{};
    std::array<std::uint8_t, kStackSize> string_stack{};   // string being unwound, first char on top
    std::size_t stack_count = 0;                           // characters on string_stack

    constexpr LzwTables() {
        for (int code = 0; code < kLiteralCount; ++code) {
            length_table[static_cast<std::size_t>(code)] = 1;
            tail_table[static_cast<std::size_t>(code)][0] = static_cast<std::uint8_t>(code);
        }
    }
};

// Where a string of `length` characters (at least 1) has its last block border.
constexpr std::size_t border_of(std::size_t length) { return (length - 1) / kBlock * kBlock; }

LzwDecoderState the_decoder;
LzwTables the_tables;

// input_code and decode_string call no other routine, so entering and
// leaving one of them leaves the trace ring exactly as this does: the name
// in the slot at the position, and the position as it was, unless it was the
// last slot, where stepping forward wraps to 0 and stepping back stops at 0.
// Done here in place of a TraceScope because they run once per code, where
// two calls into the ring cost more than the rest of the work.
void trace_leaf(const char* name) {
    trace::Ring& ring = trace::ring();
    ring.slots[static_cast<std::size_t>(ring.position)] = name;
    if (ring.position == static_cast<int>(trace::kRingSlots) - 1) ring.position = 0;
}

bool stop(LzwDecoderState& d, LzwError error) {
    d.error = error;
    return false;
}

// Takes the next code: the pending second code of the last group, or the
// first code of a group completed from the held bytes and the chunk. Called
// only when a code can be taken.
int input_code(LzwDecoderState& d, const std::uint8_t* chunk, std::size_t& position, std::size_t& left) {
    trace_leaf("input_code");
    if (d.second_pending) {
        d.second_pending = false;
        return d.second_code;
    }
    if (d.held_count == 0) {
        // The usual case: the whole group lies in the chunk.
        const std::uint8_t* group = chunk + position;
        position += 3;
        left -= 3;
        d.second_code = ((group[1] & 0x0F) << 8) | group[2];
        d.second_pending = true;
        return (group[0] << 4) | (group[1] >> 4);
    }
    std::array<std::uint8_t, 3> group{};
    std::size_t have = 0;
    for (; have < d.held_count; ++have) group[have] = d.held_bytes[have];
    for (; have < group.size(); ++have) {
        group[have] = chunk[position++];
        --left;
    }
    d.held_count = 0;
    d.second_code = ((group[1] & 0x0F) << 8) | group[2];
    d.second_pending = true;
    return (group[0] << 4) | (group[1] >> 4);
}

// The exact walk: pushes the string of `code` onto string_stack from
// `position` upwards, last character first, counting the links. Returns the
// position of the string's first character, or nothing when the walk needs
// more than kLzwMaxLinks links (then nothing may be written of it).
std::optional<std::size_t> decode_string(std::size_t position, int code) {
    trace_leaf("decode_string");
    LzwTables& t = the_tables;
    const std::size_t start = position;
    int links = 0;
    while (code >= kLiteralCount) {
        if (++links > kLzwMaxLinks) return std::nullopt;
        t.string_stack[position++] = t.suffix_table[static_cast<std::size_t>(code)];
        code = t.prefix_table[static_cast<std::size_t>(code)];
    }
    t.string_stack[position] = static_cast<std::uint8_t>(code);
    t.stack_count += position - start + 1;
    return position;
}

// The fast walk, for clean streams only: the caller knows the length from
// length_table and has checked it against the chain limit, so the string is
// written forward into `place`, a block at a time from its last block to its
// first. `place` must have kBlock bytes of room past the string: the last
// block is copied whole. Returns the string's first character.
std::uint8_t decode_string(std::uint8_t* place, int code, std::size_t length) {
    trace_leaf("decode_string");
    const LzwTables& t = the_tables;
    std::size_t border = border_of(length);
    std::memcpy(place + border, t.tail_table[static_cast<std::size_t>(code)].data(), kBlock);
    while (border > 0) {
        code = t.border_code_table[static_cast<std::size_t>(code)];
        border -= kBlock;
        std::memcpy(place + border, t.tail_table[static_cast<std::size_t>(code)].data(), kBlock);
    }
    // From the table rather than from `place`, which would wait for the copy.
    return t.tail_table[static_cast<std::size_t>(code)][0];
}

bool room_for(const LzwDecoderState& d, std::size_t length) {
    return static_cast<std::int64_t>(length) <= d.limit - d.bytes_out;
}

// Expands a code that is neither the stream's first code nor the end code
// and defines the next dictionary code. False when the stream has stopped.
bool expand_code(LzwDecoderState& d, ByteSink& out, int code) {
    LzwTables& t = the_tables;
    // At or above next_free_code: normally the code about to be defined,
    // whose string is the previous string followed by its own first char.
    const bool not_yet_defined = code >= d.next_free_code;
    // Above it, previous_code will name a code this stream never defined.
    if (code > d.next_free_code) d.clean = false;
    const int walked = not_yet_defined ? d.previous_code : code;
    const std::size_t extra = not_yet_defined ? 1 : 0;

    std::size_t length = 0;
    if (d.clean) {
        const std::size_t walked_length = t.length_table[static_cast<std::size_t>(walked)];
        if (walked_length - 1 > static_cast<std::size_t>(kLzwMaxLinks)) return stop(d, LzwError::chain_limit);
        length = walked_length + extra;
        if (!room_for(d, length)) return stop(d, LzwError::over_limit);
        std::uint8_t* place = out.reserve(walked_length + kBlock);
        const std::uint8_t first = decode_string(place, walked, walked_length);
        // Written after the walk, whose last block may reach past the string.
        if (not_yet_defined) place[walked_length] = d.first_char;
        d.first_char = first;
        out.commit(length);
    } else {
        t.stack_count = 0;
        if (not_yet_defined) {
            t.string_stack[0] = d.first_char;
            t.stack_count = 1;
        }
        const std::optional<std::size_t> top = decode_string(extra, walked);
        if (!top) return stop(d, LzwError::chain_limit);
        length = t.stack_count;
        if (!room_for(d, length)) return stop(d, LzwError::over_limit);
        d.first_char = t.string_stack[*top];
        std::uint8_t* place = out.reserve(length);
        for (std::size_t i = 0; i < length; ++i) place[i] = t.string_stack[*top - i];
        out.commit(length);
    }
    d.bytes_out += static_cast<std::int64_t>(length);

    if (d.next_free_code <= kLzwLastDictionaryCode) {
        const auto slot = static_cast<std::size_t>(d.next_free_code);
        t.prefix_table[slot] = static_cast<std::uint16_t>(d.previous_code);
        t.suffix_table[slot] = d.first_char;
        if (d.clean) {
            // The new string is the previous one and one character more: it
            // starts a block of its own when the previous one filled its last.
            const auto previous = static_cast<std::size_t>(d.previous_code);
            const std::size_t previous_length = t.length_table[previous];
            t.length_table[slot] = static_cast<std::uint16_t>(previous_length + 1);
            const std::size_t border = border_of(previous_length + 1);
            if (border == previous_length) {
                t.border_code_table[slot] = static_cast<std::uint16_t>(previous);
            } else {
                t.border_code_table[slot] = t.border_code_table[previous];
                t.tail_table[slot] = t.tail_table[previous];
            }
            t.tail_table[slot][previous_length - border] = d.first_char;
        }
        ++d.next_free_code;
    }
    d.previous_code = code;
    return true;
}

}  // namespace

void lzexpbfi(std::int64_t limit, LzwWalk walk) {
    TraceScope scope("lzexpbfi");
    LzwDecoderState& d = the_decoder;
    d = LzwDecoderState{};
    d.limit = limit < 0 ? 0 : limit;
    d.clean = walk == LzwWalk::fast;
}

LzwStatus lzexpbf(ByteSink& out, const std::uint8_t* chunk, std::size_t n) {
    TraceScope scope("lzexpbf");
    if (the_decoder.end_seen || the_decoder.error != LzwError::none) {
        return {the_decoder.bytes_out, the_decoder.error};
    }
    // Worked on in a local copy, so that it stays in registers across the
    // calls to the trace ring, and stored back at the end of the call.
    LzwDecoderState d = the_decoder;

    std::size_t position = 0;
    std::size_t left = n;
    while (left > 0) {
        if (!d.second_pending && d.held_count + left < 3) {
            while (left > 0) {
                d.held_bytes[d.held_count++] = chunk[position++];
                --left;
            }
            break;
        }
        const int code = input_code(d, chunk, position, left);
        if (d.first_code_pending) {
            // Written as its low eight bits, whatever it is: the first code is
            // never taken for the end code.
            if (!room_for(d, 1)) {
                stop(d, LzwError::over_limit);
                break;
            }
            out.put(static_cast<std::uint8_t>(code));
            d.bytes_out += 1;
            d.previous_code = code;
            d.first_char = static_cast<std::uint8_t>(code);
            d.first_code_pending = false;
            if (code >= kLiteralCount) d.clean = false;
            continue;
        }
        if (code == kLzwEndCode) {
            d.end_seen = true;
            break;
        }
        if (!expand_code(d, out, code)) break;
    }
    the_decoder = d;
    return {d.bytes_out, d.error};
}

void lzw_reset_tables() {
    the_tables = LzwTables{};
    the_decoder = LzwDecoderState{};
}
