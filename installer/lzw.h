// The LZW expander: turns a compressed file's stored bytes back into the
// file, fed chunk by chunk as extraction reads them from the volume files.
// It knows nothing of files, volumes or the console: bytes come in as
// chunks, expanded bytes go out through a ByteSink, and failures come back
// as a status for the caller to report.
//
// The stream: 12-bit codes, two per three-byte group, most significant bits
// first. 0-255 are literals, 256-4094 dictionary codes defined in order as
// the stream expands, 4095 the end code. There is no header, no length and
// no reset code; each stream builds its dictionary from nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "installer/bytesink.h"

// Limits of the stream format, shared by the expander and the compressor.
inline constexpr int kLzwFirstDictionaryCode = 256;
inline constexpr int kLzwLastDictionaryCode = 4094;
inline constexpr int kLzwEndCode = 4095;
// A walk through the dictionary that needs more links than this is fatal:
// it bounds every string (3001 characters, one more for a code not yet
// defined) and ends the cycles that only a corrupt stream can make.
inline constexpr int kLzwMaxLinks = 3000;
// The longest string any code may expand to without hitting the limit.
inline constexpr int kLzwMaxString = kLzwMaxLinks + 1;

// Printed by the caller, in both languages, when the chain limit is hit.
inline constexpr char kExpansionFatalMessage[] = "fatal error during code expansion\n";

enum class LzwError {
    none,         // the stream goes on, or has ended with its end code
    chain_limit,  // a string needed more than kLzwMaxLinks links: nothing of it was written
    over_limit,   // the string would have passed the byte limit: nothing of it was written
};

struct LzwStatus {
    std::int64_t bytes_out = 0;       // bytes handed to the sink since the stream began
    LzwError error = LzwError::none;  // once set, the stream stays stopped until lzexpbfi
};

// How decode_string walks the dictionary. `fast` writes each string straight
// into the sink using the per-code length table while the stream keeps to the
// format, and falls back to `exact` once it does not. `exact` always unwinds
// the string through the string stack, counting links; it is kept as the
// reference the fast way is tested against.
enum class LzwWalk { fast, exact };

// Starts a new stream. The expander never hands more than `limit` bytes of
// it to the sink (a negative limit counts as 0).
void lzexpbfi(std::int64_t limit = std::numeric_limits<std::int64_t>::max(), LzwWalk walk = LzwWalk::fast);

// Expands as much of the stream as `chunk` completes, writing to `out`.
// Chunk borders may fall anywhere; the rest of an incomplete group is
// awaited in the next call. After the end code, or after an error, chunks are
// ignored and the same status comes back.
LzwStatus lzexpbf(ByteSink& out, const std::uint8_t* chunk, std::size_t n);

// Returns the expander to the state it has at program start: tables all zero
// and a new stream ready. A corrupt stream may read table entries left by
// earlier streams, so tests that compare two runs of such streams start both
// from here.
void lzw_reset_tables();
