// A progress line for long runs on a terminal: redrawn in place on its
// stream, at most a few times a second, and only once the run has lasted a
// moment, so short runs never show it.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kittool {

class Progress {
public:
    // Draws on `stream` when `enabled`; `total` is the amount of work, in
    // whatever unit advance() counts.
    Progress(std::FILE* stream, bool enabled, std::int64_t total,
             std::chrono::milliseconds delay = std::chrono::milliseconds(500),
             std::chrono::milliseconds interval = std::chrono::milliseconds(100));
    ~Progress() { clear(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void advance(std::int64_t done, const std::string& item);
    // Removes the line, if it is shown, before other output is written.
    void clear();

private:
    using Clock = std::chrono::steady_clock;

    std::FILE* stream_;
    bool enabled_;
    std::int64_t total_;
    std::int64_t done_ = 0;
    Clock::time_point start_;
    Clock::time_point last_draw_;
    std::chrono::milliseconds delay_;
    std::chrono::milliseconds interval_;
    std::size_t shown_ = 0;  // width of the line on screen, 0: nothing shown
};

}  // namespace kittool
