#include "kittool/progress.h"

namespace kittool {

namespace {
// Keeps the line within an 80-column terminal.
constexpr std::size_t kMaxWidth = 79;
}  // namespace

Progress::Progress(std::FILE* stream, bool enabled, std::int64_t total, std::chrono::milliseconds delay,
                   std::chrono::milliseconds interval)
    : stream_(stream), enabled_(enabled), total_(total), start_(Clock::now()), last_draw_(start_),
      delay_(delay), interval_(interval) {}

void Progress::advance(std::int64_t done, const std::string& item) {
    done_ += done;
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (now - start_ < delay_ || now - last_draw_ < interval_) return;
    last_draw_ = now;
    const long percent = total_ > 0 ? static_cast<long>(done_ * 100 / total_) : 100;
    std::string line = "verifying: " + std::to_string(percent) + "% " + item;
    if (line.size() > kMaxWidth) line.resize(kMaxWidth);
    std::string text = "\r" + line;
    if (line.size() < shown_) text += std::string(shown_ - line.size(), ' ');
    std::fputs(text.c_str(), stream_);
    std::fflush(stream_);
    shown_ = line.size() > shown_ ? line.size() : shown_;
}

void Progress::clear() {
    if (shown_ == 0) return;
    std::fputs(("\r" + std::string(shown_, ' ') + "\r").c_str(), stream_);
    std::fflush(stream_);
    shown_ = 0;
}

}  // namespace kittool
