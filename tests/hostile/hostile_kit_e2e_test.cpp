// Kits built to break the installer, run through the real program: names
// that climb out, sizes and places at and past the 32-bit limits, streams
// that cycle or explode, volumes that are directories or end too soon,
// catalogs that are not text. Each must end with its message and status,
// write nothing outside the destination, and leave what was installed
// before it as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "kittool/compress.h"
#include "tests/support/kit.h"
#include "tests/support/data.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

using namespace testing_support;

namespace {

const std::string kStatusLine = "\t\t\t\t\t\t\t\t\t       \r";
const std::string kBadFileLine =
    "\nError: Trouble reading package number and/or file specification from the file 'CATALOG.DAT'.\n";
const std::string kAnswersEnded = "\nError: The answers ended before the installation was complete.\n";
const std::string kExpansionFatal = "fatal error during code expansion\n";
const std::string kFinished = "\nEND of VELK & VOLK Installation Program.\n\n";

std::string disk_request(int disk) {
    return "\r" + kStatusLine + "\rPlease put disk " + std::to_string(disk) +
           " in disk drive and press any key to continue.";
}

std::string write_failed(const std::string& path) {
    return "\nError: File '" + path + "' could not be successfully written.\n       Check if disk is full.\n";
}

std::string bad_place(const std::string& path, long disk, long offset) {
    return "\nError: The catalog places file '" + path + "' at disk " + std::to_string(disk) + ", offset " +
           std::to_string(offset) + ", where no volume can hold it.\n";
}

// A run of one letter unwound to the longest string the chain limit allows
// (code 3255, 3001 letters), then that code again and again: some 2000
// bytes out for every 1.5 bytes in, for as long as the volume lasts.
std::string bomb_stream(std::size_t repeats) {
    std::vector<int> codes = {'A'};
    for (int c = 256; c <= 3255; ++c) codes.push_back(c);
    codes.insert(codes.end(), repeats, 3255);
    return pack_codes(codes);
}

// The kit lies three directories below the sandbox root, so a name that
// climbs out of the destination still lands where the test looks.
struct Sandbox {
    TempDir root;
    std::string kit = root / "u1/u2/u3/kit";

    Sandbox() {
        for (const char* d : {"u1", "u1/u2", "u1/u2/u3", "u1/u2/u3/kit", "u1/u2/u3/kit/c:"})
            ::mkdir((root / d).c_str(), 0755);
    }
    void file(const std::string& name, const std::string& bytes) const { write_file(kit + "/" + name, bytes); }
    RunResult install(const std::string& answers = "e\n\n\n\n") const {
        RunOptions o;
        o.cwd = kit;
        return run({INSTALL_BIN, "c"}, answers, o);
    }
};

// What the run changed below the sandbox root: every new path must lie
// under the destination drive, no path may be gone, and the kit's own
// files keep their bytes.
void expect_confined(const Sandbox& box, const std::vector<std::string>& before,
                     const std::vector<std::pair<std::string, std::string>>& kit_files) {
    const std::vector<std::string> after = list_tree(box.root.path());
    const std::set<std::string> old(before.begin(), before.end());
    for (const std::string& p : after) {
        if (old.count(p) != 0) continue;
        EXPECT_EQ(p.rfind("u1/u2/u3/kit/c:/", 0), 0u) << "written outside the destination: " << p;
    }
    for (const std::string& p : before) EXPECT_NE(std::find(after.begin(), after.end(), p), after.end()) << "gone: " << p;
    for (const auto& [name, bytes] : kit_files) {
        if (exists(box.kit + "/" + name) && !is_directory(box.kit + "/" + name)) {
            EXPECT_EQ(read_file(box.kit + "/" + name), bytes) << name;
        }
    }
}

std::string repeat(const std::string& text, std::size_t times) {
    std::string s;
    s.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i) s += text;
    return s;
}

std::string catalog_of(const std::vector<std::string>& file_lines) {
    std::string c = catalog_header() + "1\nbase /base 1 0\n";
    for (const std::string& l : file_lines) c += l + "\n";
    return c;
}

// Every case installs "good.txt" (4 bytes at the start of volume 1) first,
// then meets its hostile entry.
const std::string kGoodLine = "0 0 4 4 1 0 0 good.txt";
const std::string kGood = "good";

struct HostileCase {
    const char* name;
    std::string file_line;  // the entry after good.txt
    std::vector<std::pair<std::string, std::string>> kit_files;  // beside CATALOG.DAT; VOL1.DAT starts with "good"
    std::string ending;     // the last thing printed
    int status;
    bool good_installed;    // false: the catalog is refused before the pass
    std::string directory_volume = {};  // a volume name made a directory
};

void run_case(const HostileCase& c) {
    SCOPED_TRACE(c.name);
    Sandbox box;
    std::vector<std::pair<std::string, std::string>> files = c.kit_files;
    files.insert(files.begin(), {"CATALOG.DAT", catalog_of({kGoodLine, c.file_line})});
    if (std::none_of(files.begin(), files.end(), [](const auto& f) { return f.first == "VOL1.DAT"; }))
        files.push_back({"VOL1.DAT", kGood});
    for (const auto& [name, bytes] : files) box.file(name, bytes);
    if (!c.directory_volume.empty()) ::mkdir((box.kit + "/" + c.directory_volume).c_str(), 0755);
    const std::vector<std::string> before = list_tree(box.root.path());

    RunResult r = box.install();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, c.status);
    ASSERT_GE(r.out.size(), c.ending.size()) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - c.ending.size()), c.ending) << r.out;
    EXPECT_EQ(r.err, "");
    expect_confined(box, before, files);
    if (c.good_installed) {
        EXPECT_EQ(read_file(box.kit + "/c:/base/good.txt"), kGood);
        EXPECT_EQ(mode_of(box.kit + "/c:/base/good.txt") & 0222, 0u);
    } else {
        EXPECT_FALSE(exists(box.kit + "/c:/base/good.txt"));
    }
}

TEST(HostileKit, NamesThatLeaveTheirPackageAreRefusedBeforeAnythingIsWritten) {
    for (const char* name : {"../x", "../../x", "../../../../../x", "a/../../x", "a/b/../../../../x", "..\\x",
                             "..\\..\\..\\x", "a\\..\\..\\x", "a/..\\../x", "\\x", "\\..\\x", "/x", "/etc/passwd",
                             "//server/x", "./../x"}) {
        run_case({name, std::string("0 0 3 3 1 0 0 ") + name, {}, kBadFileLine, 255, false});
    }
}

TEST(HostileKit, NumbersPastTheSigned32BitLimitsAreRefused) {
    const HostileCase cases[] = {
        {"output size 2^31", "0 0 2147483648 3 1 0 0 f", {}, kBadFileLine, 255, false},
        {"stored size 2^31", "0 0 3 2147483648 1 0 0 f", {}, kBadFileLine, 255, false},
        {"disk 2^31", "0 0 3 3 2147483648 0 0 f", {}, kBadFileLine, 255, false},
        {"offset 2^31", "0 0 3 3 1 2147483648 0 f", {}, kBadFileLine, 255, false},
        {"offset below -2^31", "0 0 3 3 1 -2147483649 0 f", {}, kBadFileLine, 255, false},
        {"package 2^32", "4294967296 0 3 3 1 0 0 f", {}, kBadFileLine, 255, false},
        {"a size of twenty digits", "0 0 99999999999999999999 3 1 0 0 f", {}, kBadFileLine, 255, false},
    };
    for (const HostileCase& c : cases) run_case(c);
}

TEST(HostileKit, NumbersAtTheSigned32BitLimitsEndWithTheirMessage) {
    const std::string abab = pack_codes({0x41, 0x42, 0x100});  // "ABAB"
    const HostileCase cases[] = {
        // Volume 1 ends after 3 of the promised bytes; volume 2 is asked for
        // and the answers have run out.
        {"stored size 2^31-1", "0 0 2147483647 2147483647 1 4 0 f", {{"VOL1.DAT", kGood + "abc"}},
         disk_request(2) + kAnswersEnded, 255, true},
        // Nothing there: the read from the end of volume 1 moves on to volume 2.
        {"offset 2^31-1", "0 0 3 3 1 2147483647 0 f", {}, disk_request(2) + kAnswersEnded, 255, true},
        // The last volume number there can be, and it ends inside the file.
        {"disk 2^31-1", "0 0 3 3 2147483647 0 0 f", {{"VOL2147483647.DAT", "ab"}},
         bad_place("c:/base/f", 2147483647, 0), 255, true},
        {"disk -2^31", "0 0 3 3 -2147483648 0 0 f", {}, bad_place("c:/base/f", -2147483647 - 1, 0), 255, true},
        {"offset -2^31", "0 0 3 3 1 -2147483648 0 f", {}, bad_place("c:/base/f", 1, -2147483647 - 1), 255, true},
        // The expander may write up to 2^31-1 bytes, but the stream makes 4.
        {"compressed, output size 2^31-1", "0 1 2147483647 " + std::to_string(abab.size()) + " 1 4 0 f",
         {{"VOL1.DAT", kGood + abab}}, write_failed("c:/base/f"), 255, true},
        // A negative size allows no byte at all.
        {"compressed, output size -2^31", "0 1 -2147483648 " + std::to_string(abab.size()) + " 1 4 0 f",
         {{"VOL1.DAT", kGood + abab}}, write_failed("c:/base/f"), 255, true},
        // Nothing to read and nothing promised: an empty file.
        {"stored size -2^31", "0 0 0 -2147483648 1 0 0 f", {}, kFinished, 0, true},
    };
    for (const HostileCase& c : cases) run_case(c);
}

TEST(HostileKit, StreamsThatCycleOrExplode) {
    // The first stream defines 256 "AB", 257 "BA" and 258 = 256 + "B".
    const std::string first = pack_codes({'A', 'B', 0x100, 0x101});
    // The second starts with that stale 258 and defines 256 = 258 + "Z":
    // 256 and 258 now lead to each other, and unwinding 256 never ends.
    const std::string stale = pack_codes({0x102, 'Z', 0x100});
    // Within one stream: 257 is taken before it exists, so its entry is
    // defined with itself as its prefix.
    const std::string self = pack_codes({'A', 0x101, 'B', 0x101});
    const std::string bomb = bomb_stream(40000);
    auto at = [](std::size_t offset) { return std::to_string(offset); };
    const HostileCase cases[] = {
        {"a cycle through a stale entry",
         "0 1 6 " + at(first.size()) + " 1 4 0 first\n0 1 100 " + at(stale.size()) + " 1 " + at(4 + first.size()) + " 0 f",
         {{"VOL1.DAT", kGood + first + stale}}, kExpansionFatal, 255, true},
        {"an entry that is its own prefix", "0 1 100 " + at(self.size()) + " 1 4 0 f", {{"VOL1.DAT", kGood + self}},
         kExpansionFatal, 255, true},
        // 60 KB that would expand to some 120 MB: stopped at the catalog's size.
        {"a bomb", "0 1 100000 " + at(bomb.size()) + " 1 4 0 f", {{"VOL1.DAT", kGood + bomb}},
         write_failed("c:/base/f"), 255, true},
    };
    for (const HostileCase& c : cases) run_case(c);

    // The bomb wrote no more than the catalog allows.
    Sandbox box;
    box.file("CATALOG.DAT", catalog_of({"0 1 100000 " + std::to_string(bomb.size()) + " 1 0 0 f"}));
    box.file("VOL1.DAT", bomb);
    box.install();
    EXPECT_LE(read_file(box.kit + "/c:/base/f").size(), 100000u);
}

TEST(HostileKit, VolumesThatCannotBeRead) {
    const HostileCase cases[] = {
        {"volume 2 is a directory", "0 0 3 3 2 0 0 f", {}, "\nError: Unable to read the file 'VOL2.DAT'.\n", 255,
         true, "VOL2.DAT"},
        // Met inside a file: it starts on volume 1 and runs on into volume 2.
        {"a file running into a directory", "0 0 6 6 1 4 0 f", {{"VOL1.DAT", kGood + "ab"}},
         "\nError: Unable to read the file 'VOL2.DAT'.\n", 255, true, "VOL2.DAT"},
        {"volume 1 ends early, volume 2 missing", "0 0 10 10 1 4 0 f", {{"VOL1.DAT", kGood + "abc"}},
         disk_request(2) + kAnswersEnded, 255, true},
        {"an empty volume 2, volume 3 missing", "0 0 10 10 1 4 0 f", {{"VOL1.DAT", kGood + "abc"}, {"VOL2.DAT", ""}},
         disk_request(3) + kAnswersEnded, 255, true},
    };
    for (const HostileCase& c : cases) run_case(c);
}

TEST(HostileKit, CatalogsThatAreNotCatalogs) {
    std::mt19937 gen(9);
    std::string noise(65536, '\0');
    for (char& ch : noise) ch = static_cast<char>(gen());
    const std::string sound = catalog_of({kGoodLine});
    struct Case {
        const char* name;
        std::string catalog;
        std::string ending;
        int status;
    };
    const Case cases[] = {
        {"a million blank lines", std::string(1000000, '\n'), "\nError: Unexpected end of the file 'CATALOG.DAT'.\n",
         255},
        {"a million blank DOS lines", repeat("\r\n", 1000000), "\nError: Unexpected end of the file 'CATALOG.DAT'.\n",
         255},
        {"a sound catalog, then a million blank lines", sound + std::string(1000000, '\n'), kFinished, 0},
        {"random bytes", noise, "", 255},
        {"the installer itself", read_file(INSTALL_BIN), "", 255},
        {"NUL bytes only", std::string(4096, '\0'), "", 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        box.file("CATALOG.DAT", c.catalog);
        box.file("VOL1.DAT", kGood);
        const std::vector<std::string> before = list_tree(box.root.path());
        RunResult r = box.install("e\n\n\n\n");
        EXPECT_FALSE(r.timed_out);
        EXPECT_EQ(r.status, c.status);
        if (!c.ending.empty()) {
            ASSERT_GE(r.out.size(), c.ending.size());
            EXPECT_EQ(r.out.substr(r.out.size() - c.ending.size()), c.ending);
        } else {
            // Whatever it makes of the bytes, it says so in one of the
            // catalogue's error lines, as the last thing it prints.
            std::size_t last = r.out.rfind("\nError: ");
            ASSERT_NE(last, std::string::npos) << r.out.substr(r.out.size() > 400 ? r.out.size() - 400 : 0);
            EXPECT_EQ(r.out.find('\n', last + 1), r.out.size() - 1);
        }
        expect_confined(box, before, {{"CATALOG.DAT", c.catalog}, {"VOL1.DAT", kGood}});
    }
}

}  // namespace
