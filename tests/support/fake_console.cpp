#include "tests/support/fake_console.h"

namespace testing_support {

int FakeKeys::read_key() {
    if (pos_ >= script_.size()) return kEndOfInput;
    return static_cast<unsigned char>(script_[pos_++]);
}

std::optional<std::string> FakeKeys::read_line(std::size_t keep) {
    if (pos_ >= script_.size()) return std::nullopt;
    std::string line;
    while (pos_ < script_.size()) {
        char c = script_[pos_++];
        if (line.size() < keep) line += c;
        if (c == '\n') return line;
    }
    // A last line without its line feed counts as a whole line.
    if (line.size() < keep) line += '\n';
    return line;
}

std::string CapturedText::take() {
    std::string taken;
    taken.swap(text_);
    return taken;
}

}  // namespace testing_support
