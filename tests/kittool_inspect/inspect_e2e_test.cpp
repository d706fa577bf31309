// `kittool list` and `kittool verify` through the real program, on sound
// kits and on every way the install pass can find a kit broken.
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

// A run of one letter whose last code is `last`: each string one longer than
// the one before. Up to 3256 it expands; 3257 needs one link too many.
struct ChainStream {
    std::string stream;
    std::int64_t expanded = 1;
};
ChainStream chain_stream(int last) {
    std::vector<int> codes = {'A'};
    ChainStream c;
    for (int code = 256; code <= last; ++code) {
        codes.push_back(code);
        c.expanded += code - 256 + 2;
    }
    c.stream = pack_codes(codes);
    return c;
}

// One package "base" at /base, its size the sum of the files' sizes so that
// verify has nothing to note about it.
std::string catalog(const std::vector<std::string>& lines) {
    long size = 0;
    for (const std::string& l : lines) size += std::stol(l.substr(l.find(' ', l.find(' ') + 1) + 1));
    std::string c = catalog_header() + "1\nbase /base 1 " + std::to_string(size) + "\n";
    for (const std::string& l : lines) c += l + "\n";
    return c;
}

struct Kit {
    TempDir dir;
    void write(const std::string& catalog_text) { write_file(dir / "CATALOG.DAT", catalog_text); }
    void volume(int n, const std::string& bytes) { write_file(dir / ("VOL" + std::to_string(n) + ".DAT"), bytes); }
    void volumes(const std::vector<std::string>& all) {
        for (std::size_t i = 0; i < all.size(); ++i) volume(static_cast<int>(i + 1), all[i]);
    }
    RunResult kittool(const std::string& command, const std::vector<std::string>& options = {}) {
        std::vector<std::string> argv = {KITTOOL_BIN, command};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(dir.path());
        return run(argv, "");
    }
};

std::string ok(const std::string& name) { return "    testing: " + name + "  OK\n"; }
std::string failed(const std::string& name, const std::string& why) {
    return "    testing: " + name + "  FAILED: " + why + "\n";
}

// ---- list ------------------------------------------------------------------

const std::string kTwoPackages = catalog_header() +
                                 "2\n"
                                 "base /base 1 5\n"
                                 "extra /opt/extra 0 100000\n"
                                 "0 0 5 5 1 0 0 a.txt\n"
                                 "1 1 100000 25000 1 5 0 sub/big.bin\n";

TEST(List, ShowsHeaderPackagesAndFilesWithTotals) {
    Kit kit;
    kit.write(kTwoPackages);
    RunResult r = kit.kittool("list");
    EXPECT_EQ(r.out,
              "Kit:      Test kit 1.0\n"
              "Type:     TEST KIT\n"
              "Licensee: Test Licensee Ltd\n"
              "Volumes:  VOL1.DAT, VOL2.DAT, ...\n"
              "\n"
              "Package               Default        Size  Path\n"
              "--------------------  -------  ----------  ----\n"
              "base                  yes               5  /base\n"
              "extra                 no           100000  /opt/extra\n"
              "                               ----------\n"
              "                                        5  selected by default\n"
              "\n"
              "    Length      Stored  Method      Cmpr  Disk      Offset  Package               Name\n"
              "----------  ----------  ----------  ----  ----  ----------  --------------------  ----\n"
              "         5           5  stored        0%     1           0  base                  a.txt\n"
              "    100000       25000  compressed   75%     1           5  extra                 sub/big.bin\n"
              "----------  ----------              ----                                          -------\n"
              "    100005       25005               75%                                          2 files\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(List, TabSeparatedRecords) {
    Kit kit;
    kit.write(kTwoPackages);
    RunResult r = kit.kittool("list", {"--tsv"});
    // Header fields exactly as the installer reads them, padding included.
    EXPECT_EQ(r.out,
              "header\tTEST KIT            \tTest Licensee Ltd                       \t"
              "Test kit 1.0                            \tVOL\n"
              "package\t0\tbase\t/base\t1\t5\n"
              "package\t1\textra\t/opt/extra\t0\t100000\n"
              "file\t0\t0\ta.txt\tstored\t5\t5\t1\t0\n"
              "file\t1\t1\tsub/big.bin\tcompressed\t100000\t25000\t1\t5\n");
    EXPECT_EQ(r.status, 0);
}

TEST(List, TabSeparatedFieldsKeepTheirBytesAndEscapeTheSeparators) {
    Kit kit;
    KitHeader h;
    h.type = "A\tB\\C";
    h.kit = "Kit fran\x87" "ais";
    // A path that already ends with a separator keeps it: the reader's own
    // "/" is what is taken off.
    kit.write(catalog_header(h) + "1\nbase /base/ 1 1\n0 0 1 1 1 0 0 dir\\f\n");
    RunResult r = kit.kittool("list", {"--tsv"});
    EXPECT_EQ(r.out,
              "header\tA\\tB\\\\C" + std::string(15, ' ') + "\tTest Licensee Ltd                       \t"
              "Kit fran\x87" "ais                            \tVOL\n"
              "package\t0\tbase\t/base/\t1\t1\n"
              "file\t0\t0\tdir\\\\f\tstored\t1\t1\t1\t0\n");
    EXPECT_EQ(r.status, 0);
}

TEST(List, ShowsWhatTheCatalogSaysWithoutReadingVolumes) {
    // No volume files at all, and places no volume can hold: the listing is
    // the catalog's; judging it is verify's job.
    Kit kit;
    kit.write(catalog({"0 0 3 3 0 0 0 f", "0 0 3 3 1 -4 0 g", "0 0 3 0 9 0 0 h"}));
    RunResult r = kit.kittool("list", {"--tsv"});
    EXPECT_NE(r.out.find("file\t0\t0\tf\tstored\t3\t3\t0\t0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("file\t1\t0\tg\tstored\t3\t3\t1\t-4\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("file\t2\t0\th\tstored\t3\t0\t9\t0\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.status, 0);
}

// ---- catalogs the installer would stop on ----------------------------------

TEST(ListAndVerify, RefuseCatalogsTheInstallerRefusesWithItsMessage) {
    struct Case {
        const char* name;
        std::string catalog;  // empty: no catalog at all
        std::string message;  // after "kittool COMMAND: ", with DIR for the kit directory
    };
    const Case cases[] = {
        {"no catalog", "", "cannot open DIR/CATALOG.DAT"},
        {"ends in the header", "TEST KIT            \n", "Error: Unexpected end of the file 'DIR/CATALOG.DAT'."},
        {"too many packages", catalog_header() + "16\n",
         "Error: The number of packages (16) is greater than program capacity (15)."},
        {"no packages", catalog_header() + "0\n", "Error: Surely the number of packages must be greater than zero."},
        {"bad package line", catalog_header() + "1\nbase /base x 0\n",
         "Error: Trouble reading package name and/or source path from the file 'DIR/CATALOG.DAT'."},
        {"bad file line", catalog({"0 0 3 3 1 0 0 f"}) + "junk\n",
         "Error: Trouble reading package number and/or file specification from the file 'DIR/CATALOG.DAT'."},
        {"package number out of range", catalog_header() + "1\nbase /base 1 0\n1 0 3 3 1 0 0 f\n",
         "Error: '1' is an invalid package number."},
    };
    for (const char* command : {"list", "verify"}) {
        for (const Case& c : cases) {
            Kit kit;
            if (!c.catalog.empty()) kit.write(c.catalog);
            std::string message = c.message;
            for (std::size_t at; (at = message.find("DIR")) != std::string::npos;) message.replace(at, 3, kit.dir.path());
            RunResult r = kit.kittool(command);
            EXPECT_EQ(r.err, std::string("kittool ") + command + ": " + message + "\n") << command << ": " << c.name;
            EXPECT_EQ(r.out, "") << command << ": " << c.name;
            EXPECT_EQ(r.status, 1) << command << ": " << c.name;
        }
    }
}

TEST(ListAndVerify, UsageErrors) {
    for (const char* command : {"list", "verify"}) {
        RunResult unknown = run({KITTOOL_BIN, command, "--bogus"}, "");
        EXPECT_EQ(unknown.status, 2) << command;
        EXPECT_NE(unknown.err.find("unknown option --bogus"), std::string::npos) << command;
        RunResult two = run({KITTOOL_BIN, command, "a", "b"}, "");
        EXPECT_EQ(two.status, 2) << command;
        RunResult help = run({KITTOOL_BIN, command, "--help"}, "");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("usage: kittool ") + command, 0), 0u) << command;
    }
}

// ---- verify: sound kits ----------------------------------------------------

TEST(Verify, SoundKitsPassAsTheInstallerWouldInstallThem) {
    struct Case {
        const char* name;
        std::vector<std::string> files;    // file lines
        std::vector<std::string> volumes;  // from 1
    };
    const ChainStream longest = chain_stream(3256);
    const Case cases[] = {
        {"a file continues at byte 0 of the next volume", {"0 0 15 15 1 0 0 f"}, {"0123456789", "ABCDE"}},
        {"an offset at the end of its volume", {"0 0 10 10 1 0 0 g", "0 0 5 5 1 10 0 f"}, {"0123456789", "ABCDE"}},
        {"an empty volume inside a file", {"0 0 6 6 1 0 0 f"}, {"abc", "", "def"}},
        {"disks in any order", {"0 0 3 3 2 0 0 g", "0 0 3 3 1 0 0 f"}, {"abc", "xyz"}},
        {"an empty file", {"0 0 0 0 1 0 0 f"}, {""}},
        {"the longest chain the installer expands",
         {"0 1 " + std::to_string(longest.expanded) + " " + std::to_string(longest.stream.size()) + " 1 0 0 f"},
         {longest.stream}},
        {"bytes after the end code are read and ignored",
         {"0 1 3 " + std::to_string(pack_codes({'a', 'b', 'c'}).size() + 4) + " 1 0 0 f"},
         {pack_codes({'a', 'b', 'c'}) + "junk"}},
    };
    for (const Case& c : cases) {
        Kit kit;
        kit.write(catalog(c.files));
        kit.volumes(c.volumes);
        RunResult r = kit.kittool("verify");
        std::string expected = "Kit: Test kit 1.0 (" + kit.dir.path() + ")\n";
        for (const std::string& line : c.files) expected += ok("/base/" + line.substr(line.rfind(' ') + 1));
        const std::size_t n = c.files.size();
        expected += "No errors detected in the " + std::to_string(n) + (n == 1 ? " file" : " files") + " of " +
                    kit.dir.path() + ".\n";
        EXPECT_EQ(r.out, expected) << c.name;
        EXPECT_EQ(r.err, "") << c.name;  // no progress line without a terminal
        EXPECT_EQ(r.status, 0) << c.name;
    }
}

TEST(Verify, StoredAndCompressedFilesAcrossManyVolumes) {
    Kit kit;
    std::string text = text_like(100000);
    std::string packed = lzw_compress(text);
    StoredKit k = stored_kit({}, {{"base", "/base"}, {"more", "/opt/more", 0}},
                             {{0, "doc.txt", text, 1, packed}, {1, "noise.bin", random_bytes(30000, 2)},
                              {0, "sub/doc2.txt", text, 1, packed}, {1, "empty", ""}},
                             7000);
    ASSERT_GT(k.volumes.size(), 3u);
    // Volumes copied from DOS disks may come in lower case.
    write_kit(kit.dir.path(), k, "vol");
    RunResult r = kit.kittool("verify");
    EXPECT_EQ(r.out, "Kit: Test kit 1.0 (" + kit.dir.path() + ")\n" + ok("/base/doc.txt") + ok("/opt/more/noise.bin") +
                         ok("/base/sub/doc2.txt") + ok("/opt/more/empty") + "No errors detected in the 4 files of " +
                         kit.dir.path() + ".\n");
    EXPECT_EQ(r.status, 0);
    RunResult quiet = kit.kittool("verify", {"-q"});
    EXPECT_EQ(quiet.out, "Kit: Test kit 1.0 (" + kit.dir.path() + ")\nNo errors detected in the 4 files of " +
                             kit.dir.path() + ".\n");
}

TEST(Verify, KitsBuiltByKittool) {
    TempDir src;
    for (const char* d : {"tree", "tree/a", "tree/c"}) ::mkdir((src / d).c_str(), 0755);
    write_file(src / "tree/a/TABLE.DAT", text_like(60000));
    write_file(src / "tree/b.bin", random_bytes(20000, 3));
    write_file(src / "tree/c/EMPTY", "");
    write_file(src / "kit.txt",
               "type Demo\nlicensee Someone\nkit Demo kit 1.0\nprefix DISK\npackage base /base yes\ntree tree\n");
    RunResult built = run({KITTOOL_BIN, "build", "-o", src / "out", "--volume-size", "9000", src / "kit.txt"}, "");
    ASSERT_EQ(built.status, 0) << built.err;
    RunResult r = run({KITTOOL_BIN, "verify", src / "out"}, "");
    EXPECT_EQ(r.out, "Kit: Demo kit 1.0 (" + (src / "out") + ")\n" + ok("/base/a/TABLE.DAT") + ok("/base/b.bin") +
                         ok("/base/c/EMPTY") + "No errors detected in the 3 files of " + (src / "out") + ".\n");
    EXPECT_EQ(r.status, 0);
}

// ---- verify: broken kits ---------------------------------------------------

TEST(Verify, NamesEveryFaultWithItsFileAndReason) {
    struct Case {
        const char* name;
        std::vector<std::string> files;    // file lines; the last one is at fault
        std::vector<std::string> volumes;  // from 1
        std::string reason;
    };
    const ChainStream too_long = chain_stream(3257);
    const std::string bomb = lzw_compress(std::string(1000000, 'A'));
    const std::string abc = pack_codes({'a', 'b', 'c'});
    const Case cases[] = {
        {"a volume ends inside a file and the next is missing", {"0 0 15 15 1 0 0 f"}, {"0123456789"},
         "after 10 of 15 bytes stored: VOL1.DAT ends here and VOL2.DAT (disk 2) is missing"},
        {"an offset at the end of the last volume", {"0 0 10 10 1 0 0 g", "0 0 5 5 1 10 0 f"}, {"0123456789"},
         "after 0 of 5 bytes stored: VOL1.DAT ends here and VOL2.DAT (disk 2) is missing"},
        {"an empty last volume inside a file", {"0 0 6 6 1 0 0 f"}, {"abc", ""},
         "after 3 of 6 bytes stored: VOL2.DAT ends here and VOL3.DAT (disk 3) is missing"},
        {"disks in any order, one of them missing", {"0 0 3 3 2 0 0 g", "0 0 3 3 3 0 0 f"}, {"abc", "xyz"},
         "VOL3.DAT (disk 3) is missing"},
        {"a missing volume", {"0 0 3 3 1 0 0 g", "0 0 3 3 2 0 0 f"}, {"abc"}, "VOL2.DAT (disk 2) is missing"},
        // The installer opens the volume of an empty file too.
        {"a missing volume of an empty file", {"0 0 0 0 2 0 0 f"}, {"abc"}, "VOL2.DAT (disk 2) is missing"},
        {"sizes that disagree", {"0 0 6 5 1 0 0 f"}, {"abcde"},
         "size mismatch: 5 bytes stored, the catalog gives 6 bytes"},
        {"nothing stored but bytes promised", {"0 0 3 0 1 0 0 f"}, {"abcde"},
         "size mismatch: 0 bytes stored, the catalog gives 3 bytes"},
        {"a stream shorter than its size", {"0 1 5 " + std::to_string(abc.size()) + " 1 0 0 f"}, {abc},
         "size mismatch: the stream expands to 3 bytes, the catalog gives 5 bytes"},
        {"disk 0", {"0 0 3 3 0 0 0 f"}, {"abcde"}, "placed at disk 0, offset 0, where no volume can hold it"},
        {"a negative offset", {"0 0 3 3 1 -4 0 f"}, {"abcde"},
         "placed at disk 1, offset -4, where no volume can hold it"},
        {"a bomb stream", {"0 1 10 " + std::to_string(bomb.size()) + " 1 0 0 f"}, {bomb},
         "corrupt compressed stream: it expands past the 10 bytes the catalog gives"},
        {"a stream past the chain limit",
         {"0 1 " + std::to_string(too_long.expanded) + " " + std::to_string(too_long.stream.size()) + " 1 0 0 f"},
         {too_long.stream},
         "corrupt compressed stream: a code needs more than 3000 links to expand "
         "(the installer stops with \"fatal error during code expansion\")"},
    };
    for (const Case& c : cases) {
        Kit kit;
        kit.write(catalog(c.files));
        kit.volumes(c.volumes);
        const std::vector<std::string> before = list_tree(kit.dir.path());
        RunResult r = kit.kittool("verify");
        EXPECT_NE(r.out.find(failed("/base/f", c.reason)), std::string::npos) << c.name << "\n" << r.out;
        const std::size_t n = c.files.size();
        const std::string summary = "1 of " + std::to_string(n) + (n == 1 ? " file" : " files") + " of " +
                                    kit.dir.path() + " at fault.\n";
        EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), summary.size())), summary) << c.name;
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_FALSE(r.timed_out) << c.name;
        EXPECT_EQ(list_tree(kit.dir.path()), before) << c.name;  // nothing written into the kit
    }
}

TEST(Verify, AFailingReadIsNamed) {
    Kit kit;
    kit.write(catalog({"0 0 3 3 1 0 0 f"}));
    ::mkdir((kit.dir / "VOL1.DAT").c_str(), 0755);
    RunResult r = kit.kittool("verify");
    EXPECT_NE(r.out.find(failed("/base/f", "after 0 of 3 bytes stored: cannot read VOL1.DAT: Is a directory")),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.status, 1);
}

TEST(Verify, GoesOnAfterAFaultAndCountsThem) {
    Kit kit;
    kit.write(catalog_header() + "2\nbase /base 1 9\nextra /extra 0 7\n" +
              "0 0 3 3 2 0 0 a\n"   // volume 2 missing
              "0 0 3 3 1 0 0 b\n"   // sound: volume 1 is opened afresh
              "1 0 4 3 1 3 0 c\n"   // size mismatch
              "0 0 3 3 1 3 0 d\n");
    kit.volume(1, "abcdef");
    RunResult r = kit.kittool("verify");
    EXPECT_EQ(r.out, "Kit: Test kit 1.0 (" + kit.dir.path() + ")\n" +
                         failed("/base/a", "VOL2.DAT (disk 2) is missing") + ok("/base/b") +
                         failed("/extra/c", "size mismatch: 3 bytes stored, the catalog gives 4 bytes") +
                         ok("/base/d") +
                         "    note: package extra is given as 7 bytes, its files hold 4 bytes\n"
                         "2 of 4 files of " + kit.dir.path() + " at fault.\n");
    EXPECT_EQ(r.status, 1);
    RunResult quiet = kit.kittool("verify", {"--quiet"});
    EXPECT_EQ(quiet.out, "Kit: Test kit 1.0 (" + kit.dir.path() + ")\n" +
                             failed("/base/a", "VOL2.DAT (disk 2) is missing") +
                             failed("/extra/c", "size mismatch: 3 bytes stored, the catalog gives 4 bytes") +
                             "2 of 4 files of " + kit.dir.path() + " at fault.\n");
    EXPECT_EQ(quiet.status, 1);
}

}  // namespace
