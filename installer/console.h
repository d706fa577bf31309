// The console dialogue: key presses and answer lines in, texts out, through
// two small seams (KeySource, TextSink) so the whole dialogue can be driven
// by a script in a test and by a real terminal in the program.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "installer/messages.h"

// Blanks the first 79 columns of the current line (nine tabs of eight
// columns and seven blanks) and returns to its start without a line feed.
inline constexpr const char* status_line = "\t\t\t\t\t\t\t\t\t       \r";

// A printf-style format and its arguments, as a string.
std::string format_message(const char* format, ...);

// Where key presses and typed answer lines come from.
class KeySource {
public:
    static constexpr int kEndOfInput = -1;

    virtual ~KeySource() = default;
    // Throws away key presses typed ahead of the question.
    virtual void discard_pending() = 0;
    // Waits for one key press and returns its code (0..255), or kEndOfInput.
    virtual int read_key() = 0;
    // Shows an answer key on the console itself, never on standard output.
    virtual void echo(char key) = 0;
    // Reads one answer line, line feed included, keeping at most `keep`
    // characters of it; the rest of a longer line is read and dropped. A last
    // line without a line feed comes back with one. Nothing at all: nullopt.
    virtual std::optional<std::string> read_line(std::size_t keep) = 0;
};

// Where the installer's texts go (standard output, or a test's buffer).
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void write(std::string_view text) = 0;
    // Everything written so far reaches its destination.
    virtual void flush() = 0;
};

class Console {
public:
    Console(KeySource& keys, TextSink& out) : keys_(keys), out_(out) {}

    // The dialogue language: English until the language question sets it.
    Language language = English;

    // A formatted print of a fixed format.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // A formatted print of the text of `key` in the dialogue language.
    template <typename... Args>
    void say(MsgKey key, Args... args) {
        out_.write(format_message(msg(language, key), args...));
    }
    void write(std::string_view text) { out_.write(text); }
    void flush() { out_.flush(); }

    // Throws away pending key presses, then waits for one and returns it.
    // The end of the answers ends the run.
    int wait_key();
    // A yes/no question already printed by the caller: shows the hint, reads
    // keys until one answers, returns 1, 0 or `default_answer` for Enter.
    int qyesno(int default_answer);
    // "\r%s\r" with status_line: the current line blank, the cursor at its start.
    void blank_line();
    // Asks for disk `disk`, waits for any key, and blanks the request again.
    void disk_request(int disk);
    // One typed answer line (at most `keep` characters kept); the end of the
    // answers ends the run.
    std::string read_answer_line(std::size_t keep);

private:
    [[noreturn]] void end_of_input();

    KeySource& keys_;
    TextSink& out_;
};
