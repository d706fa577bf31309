// A console for unit tests: key presses and answer lines come from a script,
// texts are captured in a string, echoed keys are kept apart from them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "installer/console.h"

namespace testing_support {

// Keys and answer lines from one script, in order, the way a script on
// standard input feeds the installer: each key press is the next byte, an
// answer line runs to the next line feed. When the script is used up every
// read reports the end of input.
class FakeKeys : public KeySource {
public:
    explicit FakeKeys(std::string script = {}) : script_(std::move(script)) {}

    void discard_pending() override { ++discards; }
    int read_key() override;
    void echo(char key) override { echoed += key; }
    std::optional<std::string> read_line(std::size_t keep) override;

    // What is left of the script.
    std::string_view unread() const { return std::string_view(script_).substr(pos_); }

    std::string echoed;  // keys shown on the console itself, in order
    int discards = 0;    // how often type-ahead was thrown away

private:
    std::string script_;
    std::size_t pos_ = 0;
};

// Everything the console printed, byte for byte.
class CapturedText : public TextSink {
public:
    void write(std::string_view text) override { text_.append(text); }
    void flush() override { ++flushes; }

    const std::string& text() const { return text_; }
    // Returns what was printed so far and starts afresh.
    std::string take();

    int flushes = 0;

private:
    std::string text_;
};

// A Console wired to a script and a capture.
struct FakeConsole {
    explicit FakeConsole(std::string script = {}, Language language = English) : keys(std::move(script)) {
        con.language = language;
    }
    FakeConsole(const FakeConsole&) = delete;
    FakeConsole& operator=(const FakeConsole&) = delete;

    FakeKeys keys;
    CapturedText out;
    Console con{keys, out};
};

}  // namespace testing_support
