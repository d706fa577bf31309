#include "installer/console.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "common/trace.h"
#include "installer/fatal.h"

namespace {

std::string vformat(const char* format, va_list args) {
    char small[512];
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    if (n < 0) {
        va_end(again);
        return {};
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        va_end(again);
        return std::string(small, static_cast<std::size_t>(n));
    }
    std::vector<char> big(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    va_end(again);
    return std::string(big.data(), static_cast<std::size_t>(n));
}

}  // namespace

std::string format_message(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    return text;
}

void Console::print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    out_.write(vformat(format, args));
    va_end(args);
}

void Console::end_of_input() { fatal(*this, MSG_END_OF_INPUT); }

int Console::wait_key() {
    // Every question is on screen before the key is waited for.
    out_.flush();
    keys_.discard_pending();
    int key = keys_.read_key();
    if (key == KeySource::kEndOfInput) end_of_input();
    return key;
}

int Console::qyesno(int default_answer) {
    TraceScope scope("qyesno");
    char hint = default_answer != 0 ? (language == English ? 'Y' : 'O') : 'N';
    print("[%c] ? ", hint);
    for (;;) {
        int key = wait_key();
        switch (key) {
            case '\r':
            case '\n':
                return default_answer;
            case 'N':
            case 'n':
                keys_.echo(static_cast<char>(key));
                return 0;
            case 'Y':
            case 'y':
            case 'O':
            case 'o':
                keys_.echo(static_cast<char>(key));
                return 1;
            default:
                // Neither the question nor the hint is shown again, and the
                // refused key is not echoed.
                say(MSG_ENTER_YES_NO);
                break;
        }
    }
}

void Console::blank_line() { print("\r%s\r", status_line); }

void Console::disk_request(int disk) {
    say(MSG_INSERT_DISK, status_line, disk);
    wait_key();
    blank_line();
}

std::string Console::read_answer_line(std::size_t keep) {
    out_.flush();
    std::optional<std::string> line = keys_.read_line(keep);
    if (!line) end_of_input();
    return *line;
}
