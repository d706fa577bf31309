// The real console: key sources for a terminal and for a script of answers
// on standard input, and text sinks for standard output as a file or pipe
// and as a terminal.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include <termios.h>

#include "installer/console.h"

// Standard input that is not a terminal: each key press is the next byte;
// nothing is typed ahead, so nothing is discarded, and nothing is echoed.
class ScriptKeys : public KeySource {
public:
    explicit ScriptKeys(int fd) : fd_(fd) {}
    void discard_pending() override {}
    int read_key() override;
    void echo(char) override {}
    std::optional<std::string> read_line(std::size_t keep) override;

private:
    bool fill();
    int fd_;
    std::array<char, 4096> buffer_{};
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool at_end_ = false;
};

// A terminal on standard input: keys are read one at a time without echo and
// without waiting for a line, type-ahead is thrown away before every key,
// and the terminal is put back exactly as it was found on every way out,
// signals included (the interrupt key keeps working).
class TerminalKeys : public KeySource {
public:
    explicit TerminalKeys(int fd);
    ~TerminalKeys() override;
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    void discard_pending() override;
    int read_key() override;
    void echo(char key) override;
    std::optional<std::string> read_line(std::size_t keep) override;

private:
    int fd_;
    int echo_fd_;
    termios key_mode_{};
};

// Standard output as a file or a pipe: the installer's bytes exactly, buffered
// until the next key is waited for (or the buffer is full, or the run ends).
class PlainSink : public TextSink {
public:
    explicit PlainSink(int fd) : fd_(fd) {}
    ~PlainSink() override { flush(); }
    void write(std::string_view text) override;
    void flush() override;

private:
    int fd_;
    std::string buffer_;
};

// Standard output as a terminal: tabs become blanks up to the next multiple
// of eight columns, code page 850 becomes UTF-8 when the locale wants it,
// and control characters other than line feed, carriage return, tab and
// backspace (which a kit's texts could carry) are shown as ^X, never sent.
class TerminalSink : public TextSink {
public:
    TerminalSink(int fd, bool utf8) : fd_(fd), utf8_(utf8) {}
    ~TerminalSink() override { flush(); }
    void write(std::string_view text) override;
    void flush() override;

    // The conversion alone, for tests: `column` is carried between calls.
    static std::string render(std::string_view text, bool utf8, int& column);

private:
    int fd_;
    bool utf8_;
    int column_ = 0;
    std::string buffer_;
};

// True when the locale's character set is UTF-8.
bool locale_is_utf8();

// Puts the terminal back as it was found, if TerminalKeys changed it.
void restore_terminal();
