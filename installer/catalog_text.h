// The open catalog as the old C runtime's text stream saw it: a carriage
// return right before a line feed is dropped, Ctrl-Z ends the text, and the
// fields are read the way fscanf and fgets read them, quirks included,
// because kits were written against exactly that reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "installer/fs.h"

class CatalogText {
public:
    static constexpr int kEnd = -1;  // what get() returns at the end of the text
    static constexpr std::size_t kBufferSize = 4096;

    // Outcome of one field read, as fscanf tells them apart.
    enum class Field {
        ok,        // converted
        end,       // the text ended before the field began (input failure)
        mismatch,  // the characters there are not such a field (matching failure)
    };

    // False when the name cannot be opened for reading (a directory included).
    bool open(std::string_view name);
    // False when closing fails.
    bool close();

    // The next character (0..255), or kEnd.
    int get();
    // Puts back the one character just read (kEnd is ignored, as ungetc does).
    void unget(int c);
    // An earlier read has met the end of the text (feof). A read error ends
    // the text too, but is not an end of file: the C reader failed then.
    bool at_end() const { return end_seen_; }
    // A read of the file has failed (ferror): what came after is unknown.
    bool failed() const { return failed_; }

    // fgets with a buffer of width + 1, then one character read and thrown
    // away: up to `width` characters, stopping after a line feed (kept) or at
    // the end.
    std::string read_fixed(std::size_t width);
    // "%d" / "%ld": white space skipped, an optional sign, decimal digits, all
    // of them consumed however many there are. `in_range` tells whether the
    // value fits a signed 32-bit int; `value` is only meaningful then. A sign
    // with no digit after it is consumed; the character after it is not.
    Field read_number(std::int32_t& value, bool& in_range);
    // "%s": white space skipped, then every character up to the next white
    // space or the end.
    Field read_text(std::string& text);
    // A blank in a format: skips white space up to the next other character
    // or the end.
    void skip_white();

    // White space as the C library's isspace() has it in the "C" locale.
    static bool is_white(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

private:
    bool refill();    // false at the end of the file or on a read error
    int raw();        // the next byte of the file, or kEnd
    int peek_raw();   // the byte raw() would return, left in place

    fsys::InputFile file_;
    std::array<unsigned char, kBufferSize> buffer_{};
    std::size_t pos_ = 0;
    std::size_t fill_ = 0;
    bool raw_done_ = false;  // the file gave all it had (or failed)
    int pushed_ = kEnd;      // a character put back
    bool end_seen_ = false;  // feof
    bool failed_ = false;    // a read error (ferror)
};
