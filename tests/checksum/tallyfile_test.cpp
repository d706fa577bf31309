// The tallyfile program end to end: its output line, its errors and its exit
// statuses, byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using testing_support::run;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::TempDir;
using testing_support::write_file;

const std::string kUsage = "usage: tallyfile [count] file\n";

RunResult tallyfile(const std::vector<std::string>& args, const RunOptions& options = {}) {
    std::vector<std::string> argv{TALLYFILE_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, "", options);
}

std::string line(std::uint32_t skip, std::uint32_t bytes, std::uint32_t checksum) {
    return "skip=" + std::to_string(skip) + " bytes=" + std::to_string(bytes) +
           " checksum=" + std::to_string(checksum) + "\n";
}

std::string open_error(const std::string& typed) { return " error(tallyfile): can't open '" + typed + "'\n"; }

// One generator step and one multiply-add per byte, the way the checksum is
// defined; the program's fast loop must agree with it on every file.
std::uint32_t reference_checksum(const std::string& bytes) {
    std::uint32_t state = 0;
    std::uint32_t sum = 0;
    for (char c : bytes) {
        state = (state * 3677 + 3) % 32768;
        sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c))) * state;
    }
    return sum;
}

std::string random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string bytes(n, '\0');
    for (auto& b : bytes) b = static_cast<char>(gen());
    return bytes;
}

void expect_success(const RunResult& r, const std::string& out) {
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, "");
}

void expect_failure(const RunResult& r, const std::string& err) {
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, err);
}

const std::string kHeader(194, 'H');

struct CountCase {
    const char* what;
    std::string count;
    std::string file;
    std::string out;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CountCase& c, std::ostream* os) { *os << c.what; }

class TallyfileSums : public ::testing::TestWithParam<CountCase> {};

TEST_P(TallyfileSums, PrintsTheLine) {
    const CountCase& c = GetParam();
    TempDir dir;
    write_file(dir / "f", c.file);
    std::vector<std::string> args;
    if (c.count != "none") args.push_back(c.count);
    args.push_back(dir / "f");
    SCOPED_TRACE(c.what);
    expect_success(tallyfile(args), c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TallyfileSums,
    ::testing::Values(
        CountCase{"worked example", "0", "abc", "skip=0 bytes=3 checksum=1600086\n"},
        CountCase{"byte 255 counts as -1", "0", "\xFF", "skip=0 bytes=1 checksum=4294967293\n"},
        CountCase{"empty file", "0", "", "skip=0 bytes=0 checksum=0\n"},
        CountCase{"default skip of the header", "none", kHeader + "abc", "skip=194 bytes=3 checksum=1600086\n"},
        CountCase{"default skip, file no longer than the header", "none", kHeader, "skip=194 bytes=0 checksum=0\n"},
        CountCase{"default skip, short file", "none", "abc", "skip=194 bytes=0 checksum=0\n"},
        CountCase{"trailing letters ignored", "12abc", "0123456789xyabc", "skip=12 bytes=3 checksum=1600086\n"},
        CountCase{"no digits is 0", "abc", "abc", "skip=0 bytes=3 checksum=1600086\n"},
        CountCase{"empty count is 0", "", "abc", "skip=0 bytes=3 checksum=1600086\n"},
        CountCase{"white space and plus sign", " \t+2", "xxabc", "skip=2 bytes=3 checksum=1600086\n"},
        CountCase{"sign without digits is 0", "-x", "abc", "skip=0 bytes=3 checksum=1600086\n"},
        CountCase{"negative count sums everything", "-5", "abc", "skip=4294967291 bytes=3 checksum=1600086\n"},
        CountCase{"count past the end", "100", "abc", "skip=100 bytes=0 checksum=0\n"},
        CountCase{"count at the end", "3", "abc", "skip=3 bytes=0 checksum=0\n"},
        CountCase{"largest count", "2147483647", "abc", "skip=2147483647 bytes=0 checksum=0\n"},
        CountCase{"smallest count", "-2147483648", "abc", "skip=2147483648 bytes=3 checksum=1600086\n"},
        // Out of range counts saturate at the edges of the 32-bit range.
        CountCase{"too large saturates", "99999999999999999999999", "abc", "skip=2147483647 bytes=0 checksum=0\n"},
        CountCase{"just too large", "2147483648", "abc", "skip=2147483647 bytes=0 checksum=0\n"},
        CountCase{"too small saturates", "-4294967301", "abc", "skip=2147483648 bytes=3 checksum=1600086\n"}));

TEST(Tallyfile, LargeRandomFileMatchesTheByteLoop) {
    TempDir dir;
    // Over three periods of the weights and not a whole number of blocks.
    const std::string bytes = random_bytes(5'000'001, 1);
    write_file(dir / "big", bytes);
    expect_success(tallyfile({"0", dir / "big"}), line(0, 5'000'001, reference_checksum(bytes)));
    expect_success(tallyfile({"1000", dir / "big"}), line(1000, 5'000'001 - 1000, reference_checksum(bytes.substr(1000))));
    expect_success(tallyfile({dir / "big"}), line(194, 5'000'001 - 194, reference_checksum(bytes.substr(194))));
}

TEST(Tallyfile, FilesLongerThanOneAndTwoBlocks) {
    TempDir dir;
    for (std::size_t size : {32767u, 32768u, 32769u, 65535u, 65536u, 65537u, 100000u}) {
        const std::string bytes = random_bytes(size, static_cast<unsigned>(size));
        write_file(dir / "f", bytes);
        expect_success(tallyfile({"0", dir / "f"}), line(0, static_cast<std::uint32_t>(size), reference_checksum(bytes)));
    }
}

TEST(Tallyfile, BytesAtTheEndOfEachPeriodWeighNothing) {
    TempDir dir;
    std::string bytes = random_bytes(100000, 3);
    const std::string base = tallyfile({"0", (write_file(dir / "f", bytes), dir / "f")}).out;
    // Positions 32767, 65535 and 98303 after the skip get weight 0.
    for (std::size_t at : {32767u, 65535u, 98303u}) bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
    write_file(dir / "f", bytes);
    expect_success(tallyfile({"0", dir / "f"}), base);
    // The byte before one of them does count.
    bytes[32766] = static_cast<char>(bytes[32766] ^ 0x5A);
    write_file(dir / "f", bytes);
    EXPECT_NE(tallyfile({"0", dir / "f"}).out, base);
    // With the header skipped, the weightless positions move with it.
    std::string skipped = kHeader + random_bytes(70000, 4);
    write_file(dir / "g", skipped);
    const std::string before = tallyfile({dir / "g"}).out;
    skipped[194 + 32767] = static_cast<char>(skipped[194 + 32767] ^ 0x5A);
    write_file(dir / "g", skipped);
    expect_success(tallyfile({dir / "g"}), before);
}

TEST(Tallyfile, WrongNumberOfArguments) {
    TempDir dir;
    write_file(dir / "f", "abc");
    expect_failure(tallyfile({}), kUsage);
    expect_failure(tallyfile({"0", dir / "f", dir / "f"}), kUsage);
    expect_failure(tallyfile({"1", "2", "3", "4"}), kUsage);
}

TEST(Tallyfile, OpenErrorsNameTheArgumentAsTyped) {
    TempDir dir;
    expect_failure(tallyfile({dir / "missing"}), open_error(dir / "missing"));
    expect_failure(tallyfile({"0", dir / "missing"}), open_error(dir / "missing"));
    // Leading blanks and line ends are part of what the user typed.
    expect_failure(tallyfile({" " + (dir / "missing") + "\r\n"}), open_error(" " + (dir / "missing") + "\r\n"));

    RunOptions velk;
    velk.env["VELK"] = dir / "nowhere";
    expect_failure(tallyfile({"0", "$VELK/data.dat"}, velk), open_error("$VELK/data.dat"));
    RunOptions unset;
    unset.env["NOSUCHVAR"] = std::nullopt;
    expect_failure(tallyfile({"$NOSUCHVAR/no/such/file"}, unset), open_error("$NOSUCHVAR/no/such/file"));
}

TEST(Tallyfile, ExpandsTheFileArgument) {
    TempDir dir;
    write_file(dir / "data.dat", "abc");
    RunOptions velk;
    velk.env["VELK"] = dir.path();
    expect_success(tallyfile({"0", "$VELK/data.dat"}, velk), "skip=0 bytes=3 checksum=1600086\n");
    expect_success(tallyfile({"0", "  $VELK/da\tta.dat\r\n"}, velk), "skip=0 bytes=3 checksum=1600086\n");
    // Only the leading dollar is expanded.
    write_file(dir / "$VELK", "abc");
    RunOptions cwd;
    cwd.cwd = dir.path();
    cwd.env["VELK"] = "/nonexistent";
    expect_success(tallyfile({"0", "./$VELK"}, cwd), "skip=0 bytes=3 checksum=1600086\n");
}

TEST(Tallyfile, NameLongerThan127IsRefusedNotCut) {
    TempDir dir;
    // A file whose full name is exactly 127 characters, and one a character
    // longer whose first 127 characters name that first file.
    const std::string prefix = dir.path() + "/";
    ASSERT_LT(prefix.size(), 100u);
    const std::string longest = prefix + std::string(127 - prefix.size(), 'n');
    write_file(longest, "abc");
    write_file(longest + "x", "abc");
    expect_success(tallyfile({"0", longest}), "skip=0 bytes=3 checksum=1600086\n");
    expect_failure(tallyfile({"0", longest + "x"}), open_error(longest + "x"));
    // Tabs and line ends do not count towards the limit.
    expect_success(tallyfile({"0", "\t" + longest + "\r\n"}), "skip=0 bytes=3 checksum=1600086\n");
}

TEST(Tallyfile, ReadErrorPrintsNoResult) {
    TempDir dir;
    // A directory opens for reading, but reading it fails.
    expect_failure(tallyfile({"0", dir.path()}), " error(tallyfile): can't read '" + dir.path() + "'\n");
    RunOptions velk;
    velk.env["VELK"] = dir.path();
    expect_failure(tallyfile({"$VELK"}, velk), " error(tallyfile): can't read '$VELK'\n");
}

}  // namespace
