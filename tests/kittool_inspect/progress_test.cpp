// The progress line and the saving figure of the listing.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "kittool/list.h"
#include "kittool/progress.h"

namespace {

std::string contents(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
    return s;
}

TEST(Progress, DrawsInPlaceAndClearsItsWholeWidth) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    {
        kittool::Progress p(f, true, 200, std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        p.advance(100, "/base/long-name");
        p.advance(50, "/base/b");  // shorter: blanks cover the rest of the old line
        p.clear();
        p.clear();  // nothing shown, nothing written
    }
    EXPECT_EQ(contents(f), "\rverifying: 50% /base/long-name"
                           "\rverifying: 75% /base/b        "
                           "\r                              \r");
    std::fclose(f);
}

TEST(Progress, SilentWhenDisabledOrBeforeItsDelay) {
    for (bool enabled : {false, true}) {
        std::FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        {
            kittool::Progress p(f, enabled, 10, enabled ? std::chrono::milliseconds(60000) : std::chrono::milliseconds(0),
                                std::chrono::milliseconds(0));
            p.advance(5, "x");
        }
        EXPECT_EQ(contents(f), "") << enabled;
        std::fclose(f);
    }
}

TEST(Listing, SavingPercent) {
    struct Case {
        std::int64_t output, stored;
        long percent;
    };
    const Case cases[] = {
        {0, 0, 0},        // an empty file saves nothing
        {0, 12, 0},       // nor does a stream that expands to nothing
        {100, 100, 0},
        {100, 25, 75},
        {3, 2, 33},       // 33.3 rounds down
        {3, 1, 67},       // 66.7 rounds up
        {2, 3, -50},      // the stored form is larger
        {2147483647, 1, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kittool::saving_percent(c.output, c.stored), c.percent) << c.output << " " << c.stored;
    }
}

}  // namespace
