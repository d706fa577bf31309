// The install pass through the real program: volume files, status display,
// disk requests, size checks and the read-only mark, byte for byte.
#include <gtest/gtest.h>

#include <random>
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
const std::string R = "reading:    \r";
const std::string W = "writing:    \r";
const std::string C = "created:    \r";
const std::string kClosing = "\r" + kStatusLine + "\r\nFinished installation of selected packages.\n" +
                             "\nRemember to set the VOLK and VELK environment variables!\n" +
                             "\nEND of VELK & VOLK Installation Program.\n\n";

std::string S(const std::string& path) {
    std::string s(12, ' ');
    s += path;
    if (path.size() < 67) s += std::string(67 - path.size(), ' ');
    return s + "\r";
}

std::string write_failed(const std::string& path) {
    return "\nError: File '" + path + "' could not be successfully written.\n       Check if disk is full.\n";
}

std::string disk_request(int disk) {
    return "\r" + kStatusLine + "\rPlease put disk " + std::to_string(disk) +
           " in disk drive and press any key to continue." + "\r" + kStatusLine + "\r";
}

// A kit directory with a "c:" destination folder inside, the installer run
// from it with every question answered by Enter (catalog defaults, paths
// kept, prompting before overwrite on unless `prompt` is false).
struct Kit {
    TempDir dir;
    Kit() { ::mkdir((dir / "c:").c_str(), 0755); }
    void write(const std::string& catalog) { write_file(dir / "CATALOG.DAT", catalog); }
    void volume(int n, const std::string& bytes) { write_file(dir / ("VOL" + std::to_string(n) + ".DAT"), bytes); }
    RunResult install(const std::string& answers, RunOptions o = {}) {
        o.cwd = dir.path();
        return run({INSTALL_BIN, "c"}, answers, o);
    }
    std::string installed(const std::string& name) { return read_file(dir / ("c:/base/" + name)); }
};

// What the run printed from the start of the install pass on.
std::string pass_of(const std::string& out) {
    const std::string end_of_dialogue = "is replaced [Y] ? \n";
    std::size_t at = out.rfind(end_of_dialogue);
    return at == std::string::npos ? out : out.substr(at + end_of_dialogue.size());
}

// One selected package "base" holding `lines` (the file lines of a catalog).
std::string catalog(const std::vector<std::string>& lines, const std::string& packages = "1\nbase /base 1 0\n") {
    std::string c = catalog_header() + packages;
    for (const std::string& l : lines) c += l + "\n";
    return c;
}

TEST(Extraction, StoredFilesOfOneVolume) {
    Kit kit;
    std::string big = random_bytes(40000, 1);
    StoredKit k = stored_kit({}, {{"base", "/base"}}, {{0, "a.txt", "hello"}, {0, "sub/big.bin", big}, {0, "empty", ""}});
    write_kit(kit.dir.path(), k);
    RunResult r = kit.install("e\n\n\n\n");
    EXPECT_EQ(pass_of(r.out), "\n\n" + S("c:/base/a.txt") + R + W + C + S("c:/base/sub/big.bin") + R + W + R + W + R + W +
                                  C + S("c:/base/empty") + C + kClosing);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(kit.installed("a.txt"), "hello");
    EXPECT_EQ(kit.installed("sub/big.bin"), big);
    EXPECT_EQ(kit.installed("empty"), "");
    for (const char* f : {"a.txt", "sub/big.bin", "empty"}) EXPECT_EQ(mode_of(kit.dir / (std::string("c:/base/") + f)), 0400u) << f;
}

TEST(Extraction, CompressedAndStoredFilesAcrossVolumeEnds) {
    Kit kit;
    std::string text = text_like(100000);
    std::string packed = lzw_compress(text);
    std::string noise = random_bytes(30000, 2);
    StoredKit k = stored_kit({}, {{"base", "/base"}},
                             {{0, "doc.txt", text, 1, packed}, {0, "noise.bin", noise}, {0, "doc2.txt", text, 1, packed}},
                             7000);
    ASSERT_GT(k.volumes.size(), 3u);
    write_kit(kit.dir.path(), k);
    RunResult r = kit.install("e\n\n\n\n");
    EXPECT_EQ(r.status, 0) << pass_of(r.out);
    EXPECT_EQ(kit.installed("doc.txt"), text);
    EXPECT_EQ(kit.installed("noise.bin"), noise);
    EXPECT_EQ(kit.installed("doc2.txt"), text);
    EXPECT_EQ(r.out.find("Please put disk"), std::string::npos);
}

TEST(Extraction, VolumeEndsInsideAFile) {
    struct Case {
        const char* name;
        std::vector<std::string> files;     // file lines
        std::vector<std::string> volumes;   // volume contents, from 1
        std::string pass;                   // expected output of the pass
        std::string installed;              // content of c:/base/f
    };
    const Case cases[] = {
        {"a file continues at byte 0 of the next volume",
         {"0 0 15 15 1 0 0 f"},
         {"0123456789", "ABCDE"},
         S("c:/base/f") + R + W + R + S("c:/base/f") + R + W + C,
         "0123456789ABCDE"},
        {"an offset at the end of its volume",
         {"0 0 10 10 1 0 0 g", "0 0 5 5 1 10 0 f"},
         {"0123456789", "ABCDE"},
         S("c:/base/g") + R + W + C + S("c:/base/f") + R + S("c:/base/f") + R + W + C,
         "ABCDE"},
        {"an empty volume inside a file",
         {"0 0 6 6 1 0 0 f"},
         {"abc", "", "def"},
         S("c:/base/f") + R + W + R + S("c:/base/f") + R + W + R + S("c:/base/f") + R + W + C,
         "abcdef"},
        {"disks in any order",
         {"0 0 3 3 2 0 0 g", "0 0 3 3 1 0 0 f"},
         {"abc", "xyz"},
         S("c:/base/g") + R + W + C + S("c:/base/f") + R + W + C,
         "abc"},
    };
    for (const Case& c : cases) {
        Kit kit;
        kit.write(catalog(c.files));
        for (std::size_t i = 0; i < c.volumes.size(); ++i) kit.volume(static_cast<int>(i + 1), c.volumes[i]);
        RunResult r = kit.install("e\n\n\n\n");
        EXPECT_EQ(pass_of(r.out), "\n\n" + c.pass + kClosing) << c.name;
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(kit.installed("f"), c.installed) << c.name;
    }
}

TEST(Extraction, MissingVolumeIsAskedForUntilItIsThere) {
    Kit kit;
    kit.write(catalog({"0 0 3 3 1 0 0 f", "0 0 3 3 2 0 0 g"}));
    kit.volume(1, "abc");
    RunOptions o;
    o.cwd = kit.dir.path();
    Child child({INSTALL_BIN, "c"}, o);
    child.send("e\n\n\n\n");
    ASSERT_TRUE(child.wait_for("Please put disk 2"));
    child.send("k");  // volume 2 still missing: an error line and a new request
    ASSERT_TRUE(child.wait_for("for reading.\n\r" + kStatusLine + "\rPlease put disk 2 in disk drive and press any key to continue."));
    kit.volume(2, "xyz");
    child.send(" ");
    RunResult r = child.finish();
    EXPECT_EQ(pass_of(r.out), "\n\n" + S("c:/base/f") + R + W + C + disk_request(2) +
                                  "\nError: Unable to open the file 'VOL2.DAT' for reading.\n" + disk_request(2) +
                                  S("c:/base/g") + R + W + C + kClosing);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(kit.installed("g"), "xyz");
}

TEST(Extraction, FirstVolumeIsOpenedSilentlyAndLowerCaseNamesAreFound) {
    Kit kit;
    kit.write(catalog({"0 0 3 3 1 0 0 f"}));
    write_file(kit.dir / "vol1.dat", "abc");
    RunResult r = kit.install("e\n\n\n\n");
    EXPECT_EQ(pass_of(r.out), "\n\n" + S("c:/base/f") + R + W + C + kClosing);
    EXPECT_EQ(kit.installed("f"), "abc");
}

TEST(Extraction, UnselectedPackageIsSkippedSilently) {
    Kit kit;
    // Package "extra" is not selected; its volume does not even exist.
    kit.write(catalog({"1 0 3 3 3 0 0 x", "0 0 3 3 1 0 0 f"}, "2\nbase /base 1 3\nextra /extra 0 3\n"));
    kit.volume(1, "abc");
    RunResult r = kit.install("e\n\n\n\n\n");
    EXPECT_EQ(pass_of(r.out), "\n\n" + S("c:/base/f") + R + W + C + kClosing);
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(exists(kit.dir / "c:/extra"));
}

TEST(Extraction, SizeChecks) {
    struct Case {
        const char* name;
        std::string file_line;
        std::string pass;
        int status;
    };
    const Case cases[] = {
        {"an empty file", "0 0 0 0 1 0 0 f", S("c:/base/f") + C + kClosing, 0},
        {"nothing stored but bytes promised", "0 0 3 0 1 0 0 f", S("c:/base/f") + write_failed("c:/base/f"), 255},
        {"sizes that disagree", "0 0 6 5 1 0 0 f", S("c:/base/f") + R + W + write_failed("c:/base/f"), 255},
        {"disk 0", "0 0 3 3 0 0 0 f",
         "\nError: The catalog places file 'c:/base/f' at disk 0, offset 0, where no volume can hold it.\n", 255},
        {"a negative offset", "0 0 3 3 1 -4 0 f",
         "\nError: The catalog places file 'c:/base/f' at disk 1, offset -4, where no volume can hold it.\n", 255},
    };
    for (const Case& c : cases) {
        Kit kit;
        kit.write(catalog({c.file_line}));
        kit.volume(1, "abcde");
        RunResult r = kit.install("e\n\n\n\n");
        EXPECT_EQ(pass_of(r.out), "\n\n" + c.pass) << c.name;
        EXPECT_EQ(r.status, c.status) << c.name;
        if (c.status != 0 && std::string(c.name).find("disk") == std::string::npos &&
            std::string(c.name).find("offset") == std::string::npos) {
            // The partial file stays, writable.
            EXPECT_NE(mode_of(kit.dir / "c:/base/f") & 0200, 0u) << c.name;
        }
    }
}

TEST(Extraction, ExistingFiles) {
    struct Case {
        const char* name;
        std::string answers;  // the change and overwrite questions, then the file's own
        std::string pass;
        std::string content;
    };
    const std::string ask = "\r" + kStatusLine + "\rFile 'c:/base/f' exists. Ok to overwrite [Y] ? ";
    const Case cases[] = {
        {"prompting off: replaced silently", "\nn", S("c:/base/f") + R + W + C, "abc"},
        {"prompting on, Enter", "\n\n\n", ask + S("c:/base/f") + R + W + C, "abc"},
        {"prompting on, yes", "\n\ny", ask + S("c:/base/f") + R + W + C, "abc"},
        {"prompting on, no", "\n\nn", ask + "\r" + kStatusLine + "\rFile 'c:/base/f' was not installed.\r", "old"},
    };
    for (const Case& c : cases) {
        Kit kit;
        kit.write(catalog({"0 0 3 3 1 0 0 f"}));
        kit.volume(1, "abc");
        ::mkdir((kit.dir / "c:/base").c_str(), 0755);
        write_file(kit.dir / "c:/base/f", "old");
        ::chmod((kit.dir / "c:/base/f").c_str(), 0444);
        RunResult r = kit.install("e\n\n" + c.answers);
        EXPECT_EQ(pass_of(r.out), "\n\n" + c.pass + kClosing) << c.name;
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(kit.installed("f"), c.content) << c.name;
        EXPECT_EQ(mode_of(kit.dir / "c:/base/f") & 0222, 0u) << c.name;
    }
}

TEST(Extraction, WriteFailuresAreNeverSuccess) {
    std::string text = text_like(50000);
    for (int compressed : {0, 1}) {
        Kit kit;
        StoredKit k = stored_kit({}, {{"base", "/base"}}, {{0, "f", text, compressed, compressed ? lzw_compress(text) : ""}});
        write_kit(kit.dir.path(), k);
        RunOptions o;
        o.file_size_limit = 10000;
        o.ignore_sigxfsz = true;
        RunResult r = kit.install("e\n\n\n\n", o);
        std::string tail = write_failed("c:/base/f");
        ASSERT_GE(r.out.size(), tail.size());
        EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail) << compressed;
        EXPECT_EQ(r.status, 255) << compressed;
    }
}

TEST(Extraction, ExpansionIsBoundedByTheCatalogSize) {
    Kit kit;
    std::string run(1000000, 'A');
    std::string packed = lzw_compress(run);
    kit.write(catalog({"0 1 10 " + std::to_string(packed.size()) + " 1 0 0 f"}));
    kit.volume(1, packed);
    RunResult r = kit.install("e\n\n\n\n");
    EXPECT_EQ(pass_of(r.out), "\n\n" + S("c:/base/f") + R + W + write_failed("c:/base/f"));
    EXPECT_EQ(r.status, 255);
    EXPECT_LE(kit.installed("f").size(), 10u);
}

TEST(Extraction, ChainLimitEndsTheRun) {
    // A run of one letter: every code is the one about to be defined, each
    // string one longer than the last; the string of 3003 letters is fatal.
    for (int last : {3256, 3257}) {
        std::vector<int> codes = {'A'};
        for (int c = 256; c <= last; ++c) codes.push_back(c);
        std::string stream = pack_codes(codes);
        std::int64_t expanded = 1;
        for (int c = 256; c <= last; ++c) expanded += c - 256 + 2;
        Kit kit;
        kit.write(catalog({"0 1 " + std::to_string(expanded) + " " + std::to_string(stream.size()) + " 1 0 0 f"}));
        kit.volume(1, stream);
        RunResult r = kit.install("e\n\n\n\n");
        if (last == 3256) {
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(kit.installed("f"), std::string(static_cast<std::size_t>(expanded), 'A'));
        } else {
            const std::string tail = W + "fatal error during code expansion\n";
            EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
            EXPECT_EQ(r.status, 255);
        }
    }
}

}  // namespace
