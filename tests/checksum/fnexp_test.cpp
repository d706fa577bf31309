// File-name expansion, with the process environment set for each case.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "checksum/fnexp.h"
#include "common/trace.h"

namespace {

using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;

// Sets (or unsets) variables for one case and puts the old values back.
class ScopedEnv {
public:
    explicit ScopedEnv(const Env& changes) {
        for (const auto& [name, value] : changes) {
            const char* old = std::getenv(name.c_str());
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            apply(name, value);
        }
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) apply(it->first, it->second);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    static void apply(const std::string& name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    Env saved_;
};

std::optional<std::string> expand(const std::string& text) {
    const char* result = tally::fnexp(text.c_str());
    if (result == nullptr) return std::nullopt;
    return std::string(result);
}

struct Case {
    const char* what;
    std::string argument;
    Env env;
    std::string expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

const std::optional<std::string> kUnset = std::nullopt;

class FnexpTable : public ::testing::TestWithParam<Case> {};

TEST_P(FnexpTable, Expands) {
    const Case& c = GetParam();
    const ScopedEnv env(c.env);
    EXPECT_EQ(expand(c.argument), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FnexpTable,
    ::testing::Values(
        Case{"plain name", "data.dat", {{"VELK", "/opt/kit"}}, "data.dat"},
        Case{"leading blanks and line end", "  data.dat\r\n", {}, "data.dat"},
        Case{"tab inside", "da\tta.dat", {}, "data.dat"},
        Case{"VELK unset", "$VELK/data.dat", {{"VELK", kUnset}}, "/velk/data.dat"},
        Case{"VELK set", "$VELK/data.dat", {{"VELK", "/opt/kit"}}, "/opt/kit/data.dat"},
        Case{"VELK too long: 120 + 9 > 127", "$VELK/data.dat", {{"VELK", std::string(120, 'v')}}, "/velk/data.dat"},
        Case{"VELK empty counts as set", "$VELK/data.dat", {{"VELK", ""}}, "/data.dat"},
        Case{"unknown name is dropped", "$VELKX/data.dat", {{"VELK", kUnset}, {"VELKX", kUnset}}, "/data.dat"},
        Case{"underscore ends the name", "$KIT_DIR/a.dat", {{"KIT", "/k"}, {"KIT_DIR", "/wrong"}}, "/k_DIR/a.dat"},
        Case{"lone dollar", "$", {}, ""},
        Case{"empty name", "$/a.dat", {}, "/a.dat"},
        Case{"dollar not at the start", "data/$VELK", {{"VELK", "/opt/kit"}}, "data/$VELK"},
        Case{"only the first dollar", "$VELK$VELK", {{"VELK", "/v"}}, "/v$VELK"},
        Case{"dollar after leading blanks", " \t$VELK/x", {{"VELK", "/v"}}, "/v/x"},
        Case{"tab inside the name is dropped first", "$VE\tLK/x", {{"VELK", "/v"}}, "/v/x"},
        Case{"vertical tab and form feed kept inside", "a\vb\fc \v", {}, "a\vb\fc \v"},
        Case{"vertical tab leading is skipped", "\v\f\rx", {}, "x"},
        Case{"code-page letters are not white space", "\xFF" "data", {}, "\xFF" "data"},
        Case{"code-page letter ends the name", "$VELK\x82x", {{"VELK", "/v"}}, "/v\x82x"},
        Case{"digits belong to the name", "$K1T2/a", {{"K1T2", "/d"}}, "/d/a"},
        Case{"VELK default is case-exact", "$velk/a", {{"velk", kUnset}, {"VELK", kUnset}}, "/a"},
        Case{"lower-case name set", "$velk/a", {{"velk", "/low"}}, "/low/a"},
        Case{"too long value of another name", "$KIT/a", {{"KIT", std::string(126, 'k')}}, "/a"},
        Case{"value and rest exactly 127", "$KIT/a", {{"KIT", std::string(125, 'k')}}, std::string(125, 'k') + "/a"},
        Case{"25 letters: the name is the first 20", "$ABCDEFGHIJKLMNOPQRSTUVWXY/f",
             {{"ABCDEFGHIJKLMNOPQRST", "/v"}}, "/vUVWXY/f"},
        Case{"25 letters, name unset", "$ABCDEFGHIJKLMNOPQRSTUVWXY/f", {{"ABCDEFGHIJKLMNOPQRST", kUnset}},
             "UVWXY/f"},
        Case{"exactly 20 letters", "$ABCDEFGHIJKLMNOPQRST/f", {{"ABCDEFGHIJKLMNOPQRST", "/v"}}, "/v/f"}));

TEST(Fnexp, LongestNameIsKept) {
    const std::string longest(tally::kMaxPath, 'n');
    EXPECT_EQ(expand(longest), longest);
    // Tabs and line ends do not count: they are gone before the length matters.
    EXPECT_EQ(expand("  " + longest + "\t\r\n"), longest);
}

TEST(Fnexp, LongerNameIsRefusedNotCut) {
    EXPECT_EQ(expand(std::string(tally::kMaxPath + 1, 'n')), std::nullopt);
    EXPECT_EQ(expand(std::string(1000, 'n')), std::nullopt);
    // Even when the expansion would have made it short again.
    const ScopedEnv env({{"VELK", kUnset}});
    EXPECT_EQ(expand("$VELK" + std::string(tally::kMaxPath, 'n')), std::nullopt);
}

TEST(Fnexp, DefaultFillsTheLongestName) {
    // "/velk" replaces "$VELK" one for one, so a full-length argument still fits.
    const ScopedEnv env({{"VELK", kUnset}});
    const std::string rest = "/" + std::string(tally::kMaxPath - 6, 'r');
    EXPECT_EQ(expand("$VELK" + rest), "/velk" + rest);
}

TEST(Fnexp, EachCallOverwritesTheLastResult) {
    const char* first = tally::fnexp("one");
    const char* second = tally::fnexp("two");
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second, "two");
}

TEST(Fnexp, LeavesTheTraceRingWhereItWas) {
    const int before = trace::ring().position;
    tally::fnexp("$VELK/x");
    tally::fnexp(std::string(200, 'n').c_str());
    EXPECT_EQ(trace::ring().position, before);
}

}  // namespace
