// `kittool build` end to end: the real program builds kits from
// descriptions, and each kit is read back the way the installer reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "installer/lzw.h"
#include "installer/memsink.h"
#include "kittool/names.h"

namespace fs = std::filesystem;

namespace {

// ---- small helpers of this test --------------------------------------------

struct Dir {
    fs::path path;
    Dir() {
        std::string pattern = (fs::temp_directory_path() / "kittool-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~Dir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

void write_file(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct RunResult {
    int status = -1;
    std::string out, err;
};

// Runs the kit tool in `cwd`, collecting its standard output and error.
RunResult run_kittool(const std::vector<std::string>& args, const fs::path& cwd) {
    const fs::path out_file = cwd / ".stdout";
    const fs::path err_file = cwd / ".stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(126);
        if (!freopen(out_file.c_str(), "w", stdout) || !freopen(err_file.c_str(), "w", stderr)) _exit(126);
        std::vector<char*> argv = {const_cast<char*>(KITTOOL_BIN)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    RunResult r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    r.out = read_file(out_file.string());
    r.err = read_file(err_file.string());
    fs::remove(out_file);
    fs::remove(err_file);
    return r;
}

// ---- the catalog read back as the installer reads it -----------------------

struct ReadPackage {
    std::string name, path;
    long selected = 0, size = 0;
};
struct ReadFile {
    long package = 0, compressed = 0, output_size = 0, stored_size = 0, disk = 0, offset = 0, spare = 0;
    std::string name;
};
struct ReadCatalog {
    std::string type, licensee, kit, volume_prefix;
    long number = 0;
    std::vector<ReadPackage> packages;
    std::vector<ReadFile> files;
};

// DOS text: CR before LF dropped, Ctrl-Z ends the text; then the fixed-width
// header rule and white-space separated fields.
ReadCatalog parse_catalog(const std::string& raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size() && raw[i] != '\x1a'; ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text += raw[i];
    }
    std::size_t at = 0;
    auto fixed = [&](std::size_t width) {
        std::string field;
        while (field.size() < width && at < text.size()) {
            field += text[at++];
            if (field.back() == '\n') break;
        }
        if (at < text.size()) ++at;
        return field;
    };
    ReadCatalog c;
    c.type = fixed(20);
    c.licensee = fixed(40);
    std::istringstream rest(text.substr(at));
    rest >> c.number >> std::ws;
    at += static_cast<std::size_t>(rest.tellg());
    c.kit = fixed(40);
    c.volume_prefix = fixed(20);
    c.volume_prefix = c.volume_prefix.substr(0, c.volume_prefix.find(' '));
    std::istringstream in(text.substr(at));
    long count = 0;
    in >> count;
    for (long p = 0; p < count; ++p) {
        ReadPackage pkg;
        in >> pkg.name >> pkg.path >> pkg.selected >> pkg.size;
        pkg.path += "/";
        c.packages.push_back(pkg);
    }
    ReadFile f;
    while (in >> f.package >> f.compressed >> f.output_size >> f.stored_size >> f.disk >> f.offset >> f.spare >>
           f.name) {
        c.files.push_back(f);
    }
    EXPECT_TRUE(in.eof()) << "text after the last file line";
    return c;
}

// The stored bytes of a file, following them across volume ends.
std::string stored_bytes(const fs::path& kit, const ReadCatalog& c, const ReadFile& f) {
    std::string bytes;
    long disk = f.disk;
    long offset = f.offset;
    while (static_cast<long>(bytes.size()) < f.stored_size) {
        const fs::path volume = kit / (c.volume_prefix + std::to_string(disk) + ".DAT");
        if (!fs::exists(volume)) {
            ADD_FAILURE() << "missing volume " << volume;
            break;
        }
        const std::string all = read_file(volume.string());
        if (offset < static_cast<long>(all.size())) {
            bytes += all.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(f.stored_size) - bytes.size());
        }
        ++disk;
        offset = 0;
    }
    return bytes;
}

std::string installed_bytes(const fs::path& kit, const ReadCatalog& c, const ReadFile& f) {
    const std::string stored = stored_bytes(kit, c, f);
    if (!f.compressed) return stored;
    MemorySink sink;
    lzexpbfi();
    for (std::size_t at = 0; at < stored.size(); at += 16384) {
        lzexpbf(sink, reinterpret_cast<const std::uint8_t*>(stored.data() + at), std::min<std::size_t>(16384, stored.size() - at));
    }
    return sink.take();
}

std::string random_bytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& ch : s) ch = static_cast<char>(rng());
    return s;
}

std::string text_bytes(std::size_t lines) {
    std::string s;
    for (std::size_t i = 0; i < lines; ++i) s += "line " + std::to_string(i) + " of a text file\r\n";
    return s;
}

const char kHeader[] =
    "type Demo kit\n"
    "licensee Licensed to Someone\n"
    "kit Demo kit 1.0 fran\x87" "ais\n"
    "prefix DEMO\n";

class KitBuild : public ::testing::Test {
protected:
    Dir dir;
    std::map<std::string, std::string> sources;  // source path (relative to dir) -> bytes

    void source(const std::string& name, const std::string& bytes) {
        sources[name] = bytes;
        write_file(dir / name, bytes);
    }
    RunResult build(const std::string& description, std::vector<std::string> options = {}) {
        write_file(dir / "kit.txt", description);
        options.insert(options.begin(), "build");
        options.push_back("kit.txt");
        return run_kittool(options, dir.path);
    }
    // Reads the kit in `out` back and checks each file against its source.
    ReadCatalog read_back(const std::string& out, const std::vector<std::pair<std::string, std::string>>& expected) {
        const ReadCatalog c = parse_catalog(read_file(dir / (out + "/CATALOG.DAT")));
        EXPECT_EQ(c.files.size(), expected.size());
        for (std::size_t i = 0; i < std::min(c.files.size(), expected.size()); ++i) {
            const ReadFile& f = c.files[i];
            EXPECT_EQ(f.name, expected[i].first);
            const std::string& want = sources.at(expected[i].second);
            EXPECT_EQ(f.output_size, static_cast<long>(want.size())) << f.name;
            EXPECT_TRUE(installed_bytes(dir.path / out, c, f) == want) << f.name;
            EXPECT_EQ(f.spare, 0);
        }
        return c;
    }
};

TEST_F(KitBuild, KitReadsBackAcrossVolumes) {
    source("src/base/z-last.txt", text_bytes(300));
    source("src/base/a-first.bin", random_bytes(2500, 1));
    source("src/base/sub/deep/empty.dat", "");
    source("src/base/m.txt", text_bytes(10));
    source("src/docs/readme.txt", "read me\n");
    const std::string description = std::string(kHeader) +
                                    "# packages\n"
                                    "package BASE app/base yes\n"
                                    "tree src/base\n"
                                    "\n"
                                    "package DOCS docs/ no\n"
                                    "file src/docs/readme.txt\n"
                                    "file src/base/m.txt notes\\m.txt\n";
    for (const char* line_end : {"crlf", "lf"}) {
        const std::string out = std::string("out-") + line_end;
        std::vector<std::string> options = {"-o", out, "--volume-size", "1000"};
        if (std::string(line_end) == "lf") options.push_back("--lf");
        const RunResult r = build(description, options);
        ASSERT_EQ(r.status, 0) << r.err;

        const std::string raw = read_file(dir / (out + "/CATALOG.DAT"));
        const std::string eol = std::string(line_end) == "lf" ? "\n" : "\r\n";
        // The fixed-width header lines, padded with blanks to their widths.
        EXPECT_EQ(raw.substr(0, 20 + eol.size()), "Demo kit            " + eol);
        const ReadCatalog c = read_back(out, {{"a-first.bin", "src/base/a-first.bin"},
                                               {"m.txt", "src/base/m.txt"},
                                               {"sub/deep/empty.dat", "src/base/sub/deep/empty.dat"},
                                               {"z-last.txt", "src/base/z-last.txt"},
                                               {"readme.txt", "src/docs/readme.txt"},
                                               {"notes\\m.txt", "src/base/m.txt"}});
        EXPECT_EQ(c.type, "Demo kit            ");
        EXPECT_EQ(c.licensee, "Licensed to Someone                     ");
        const std::string kit_text = "Demo kit 1.0 fran\x87" "ais";
        EXPECT_EQ(c.kit, kit_text + std::string(40 - kit_text.size(), ' '));
        EXPECT_EQ(c.volume_prefix, "DEMO");
        ASSERT_EQ(c.packages.size(), 2u);
        EXPECT_EQ(c.packages[0].name, "BASE");
        EXPECT_EQ(c.packages[0].path, "app/base/");
        EXPECT_EQ(c.packages[0].selected, 1);
        EXPECT_EQ(c.packages[1].path, "docs/");  // written without its trailing separator
        EXPECT_EQ(c.packages[1].selected, 0);
        long base_size = 0;
        for (const ReadFile& f : c.files) {
            if (f.package == 0) base_size += f.output_size;
        }
        EXPECT_EQ(c.packages[0].size, base_size);
        ASSERT_EQ(c.files.size(), 6u);
        EXPECT_EQ(c.files[0].compressed, 0) << "random bytes are stored plain";
        EXPECT_EQ(c.files[3].compressed, 1) << "text is stored compressed";
        EXPECT_LT(c.files[3].stored_size, c.files[3].output_size);
        // Full volumes of exactly the volume size, the last one shorter, all named.
        // The number line holds the count of volumes: the one with the last byte.
        const ReadFile& last = c.files.back();
        EXPECT_EQ(c.number, ((last.disk - 1) * 1000 + last.offset + last.stored_size - 1) / 1000 + 1);
        for (long d = 1; d < c.number; ++d) EXPECT_EQ(fs::file_size(dir / (out + "/DEMO" + std::to_string(d) + ".DAT")), 1000u);
        EXPECT_FALSE(fs::exists(dir / (out + "/DEMO" + std::to_string(c.number + 1) + ".DAT")));
        // Files start where the previous one ended.
        for (std::size_t i = 1; i < c.files.size(); ++i) {
            const ReadFile& a = c.files[i - 1];
            const ReadFile& b = c.files[i];
            EXPECT_EQ((b.disk - 1) * 1000 + b.offset, (a.disk - 1) * 1000 + a.offset + a.stored_size);
            if (b.stored_size > 0) {
                EXPECT_LT(b.offset, 1000);
            }
        }
    }
}

TEST_F(KitBuild, SameInputSameBytes) {
    source("src/b.txt", text_bytes(400));
    source("src/a/x.bin", random_bytes(3000, 2));
    source("src/c", "");
    const std::string description = std::string(kHeader) + "package P p yes\ntree src\n";
    ASSERT_EQ(build(description, {"-o", "one", "--volume-size=2048"}).status, 0);
    ASSERT_EQ(build(description, {"-o", "two", "--volume-size=2048"}).status, 0);
    const std::vector<std::string> names = {"CATALOG.DAT", "DEMO1.DAT", "DEMO2.DAT", "DEMO3.DAT"};
    for (const std::string& name : names) {
        ASSERT_TRUE(fs::exists(dir / ("one/" + name))) << name;
        EXPECT_TRUE(read_file(dir / ("one/" + name)) == read_file(dir / ("two/" + name))) << name;
    }
}

TEST_F(KitBuild, StoreModesAndDefaultVolumeSize) {
    source("big.bin", random_bytes(1457664 + 100, 3));
    source("text.txt", text_bytes(50));
    source("empty", "");
    const std::string description = std::string(kHeader) +
                                     "package P p yes\nfile big.bin\nfile text.txt\nfile empty\n";
    struct Case {
        std::vector<std::string> options;
        std::vector<long> compressed;
    };
    const std::vector<Case> cases = {
        {{"-o", "auto"}, {0, 1, 0}},
        {{"-o", "store", "--store"}, {0, 0, 0}},
        {{"-o", "compress", "--compress"}, {1, 1, 1}},
    };
    for (const Case& c : cases) {
        const RunResult r = build(description, c.options);
        ASSERT_EQ(r.status, 0) << r.err;
        const ReadCatalog cat = read_back(c.options[1], {{"big.bin", "big.bin"}, {"text.txt", "text.txt"}, {"empty", "empty"}});
        for (std::size_t i = 0; i < cat.files.size(); ++i) EXPECT_EQ(cat.files[i].compressed, c.compressed[i]) << c.options[1];
        EXPECT_EQ(fs::file_size(dir / (c.options[1] + "/DEMO1.DAT")), 1457664u);
        EXPECT_TRUE(fs::exists(dir / (c.options[1] + "/DEMO2.DAT")));
    }
}

TEST_F(KitBuild, Refusals) {
    source("a.txt", "a");
    source("b.txt", "b");
    struct Case {
        const char* what;
        std::string body;           // after the header
        std::string expected_error;
    };
    std::string sixteen;
    for (int i = 0; i < 16; ++i) sixteen += "package P" + std::to_string(i) + " p" + std::to_string(i) + " yes\n";
    std::string many_files = "package P p yes\n";
    for (int i = 0; i < 501; ++i) many_files += "file a.txt f" + std::to_string(i) + "\n";
    const std::string long_dir(100, 'd');
    const std::vector<Case> cases = {
        {"16 packages", sixteen, "more than 15 packages"},
        {"501 files", many_files, "more than 500 files"},
        {"package name of 21", "package " + std::string(21, 'N') + " p yes\n", "package name has 21 characters"},
        {"package path of 130", "package P " + std::string(130, 'p') + " yes\n", "package path has 130 characters"},
        {"file name of 128", "package P p yes\nfile a.txt " + std::string(128, 'f') + "\n", "file name has 128"},
        {"absolute name", "package P p yes\nfile a.txt /etc/passwd\n", "absolute"},
        {"backslash absolute", "package P p yes\nfile a.txt \\x\n", "absolute"},
        {"drive name", "package P p yes\nfile a.txt C:x\n", "drive"},
        {"climbing out", "package P p yes\nfile a.txt ../x\n", "climbs out"},
        {"climbing out deeper", "package P p yes\nfile a.txt a/../b/../../x\n", "climbs out"},
        {"a directory name", "package P p yes\nfile a.txt a/..\n", "names a directory"},
        {"doubled separator", "package P p yes\nfile a.txt a//b\n", "empty part"},
        {"control character", "package P p yes\nfile a.txt a\x1a" "b\n", "control character"},
        {"path over 127", "package P " + long_dir + " yes\nfile a.txt " + std::string(27, 'f') + "\n",
         "has 128 characters, at most 127"},
        {"same name twice", "package P p yes\nfile a.txt x\nfile b.txt x\n", "twice"},
        {"missing source", "package P p yes\nfile nothere.txt\n", "nothere.txt"},
        {"no package", "", "no package"},
        {"file before a package", "file a.txt\n", "before the first \"package\""},
        {"bad selected", "package P p maybe\n", "yes|no"},
        {"unknown keyword", "pakage P p yes\n", "unknown keyword"},
    };
    for (const Case& c : cases) {
        const RunResult r = build(std::string(kHeader) + c.body, {"-o", "out"});
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_NE(r.err.find(c.expected_error), std::string::npos) << c.what << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir / "out/CATALOG.DAT")) << c.what;
        EXPECT_FALSE(fs::exists(dir / "out/DEMO1.DAT")) << c.what;
    }
    // Header lines.
    const std::vector<Case> headers = {
        {"type of 21", "type " + std::string(21, 't') + "\nlicensee l\nkit k\nprefix P\n", "type has 21"},
        {"licensee of 41", "type t\nlicensee " + std::string(41, 'l') + "\nkit k\nprefix P\n", "licensee has 41"},
        {"kit of 41", "type t\nlicensee l\nkit " + std::string(41, 'k') + "\nprefix P\n", "kit has 41"},
        {"empty kit", "type t\nlicensee l\nkit\nprefix P\n", "kit description is empty"},
        {"prefix of 21", "type t\nlicensee l\nkit k\nprefix " + std::string(21, 'P') + "\n", "prefix has 21"},
        {"prefix with a directory", "type t\nlicensee l\nkit k\nprefix sub/P\n", "plain name"},
        {"no prefix", "type t\nlicensee l\nkit k\n", "no \"prefix\" line"},
        {"Ctrl-Z in the licensee", "type t\nlicensee a\x1a" "b\nkit k\nprefix P\n", "control character"},
    };
    for (const Case& c : headers) {
        const RunResult r = build(c.body + "package P p yes\nfile a.txt\n", {"-o", "out"});
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_NE(r.err.find(c.expected_error), std::string::npos) << c.what << ": " << r.err;
    }
}

TEST_F(KitBuild, RefusesFilesAndPackagesOverSignedSizes) {
    // Sparse files: refused on their size, before a byte is read.
    const std::string base = std::string(kHeader) + "package P p yes\n";
    write_file(dir / "huge", "");
    fs::resize_file(dir / "huge", 2147483648ull);
    RunResult r = build(base + "file huge\n", {"-o", "out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("has 2147483648 bytes, at most 2147483647"), std::string::npos) << r.err;
    write_file(dir / "half", "");
    fs::resize_file(dir / "half", 1100000000ull);
    r = build(base + "file half h1\nfile half h2\n", {"-o", "out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("package P has more than 2147483647 bytes"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out/CATALOG.DAT"));
}

TEST_F(KitBuild, LimitsThatAreStillAccepted) {
    source("a.txt", "abc");
    std::string fifteen;
    for (int i = 0; i < 15; ++i) fifteen += "package P" + std::to_string(i) + " p" + std::to_string(i) + " no\n";
    std::string five_hundred = "package P p yes\n";
    for (int i = 0; i < 500; ++i) five_hundred += "file a.txt f" + std::to_string(i) + "\n";
    const std::string long_dir(100, 'd');
    const std::vector<std::string> bodies = {
        fifteen + "file a.txt\n",
        five_hundred,
        "package " + std::string(20, 'N') + " " + std::string(129, 'p') + " yes\n",
        "package P p yes\nfile a.txt " + std::string(127 - 2, 'f') + "\n",
        "package P " + long_dir + " yes\nfile a.txt " + std::string(26, 'f') + "\n",
        "package P p yes\nfile a.txt a/../b/./c\n",
    };
    for (const std::string& body : bodies) {
        const RunResult r = build(std::string(kHeader) + body, {"-o", "out"});
        EXPECT_EQ(r.status, 0) << r.err;
    }
    // A path of 127 leaves no room for the destination drive: built, with a warning.
    const RunResult r = build(std::string(kHeader) + "package P " + long_dir + " yes\nfile a.txt " + std::string(26, 'f') + "\n",
                        {"-o", "out"});
    EXPECT_NE(r.out.find("longest path in the kit: 127 characters"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("warning"), std::string::npos);
}

TEST_F(KitBuild, HelpAndUsage) {
    RunResult r = run_kittool({"--help"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("build"), std::string::npos);
    r = run_kittool({"build", "--help"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: kittool build"), std::string::npos);
    EXPECT_NE(r.out.find("package NAME PATH yes|no"), std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"build"}, {"build", "--volume-size", "0", "k"}, {"build", "--store", "--compress", "k"},
             {"build", "--bogus", "k"}}) {
        r = run_kittool(args, dir.path);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(r.err.empty());
    }
}

TEST(KitNames, FileNameRules) {
    struct Case {
        const char* name;
        bool fit;
    };
    const std::vector<Case> cases = {
        {"a", true}, {"a/b/c.txt", true}, {"a\\b", true}, {"./a", true}, {"a/../b", true}, {"fran\x87" "ais", true},
        {"", false}, {"/a", false}, {"\\a", false}, {"..", false}, {"a/../..", false}, {"../a", false},
        {"a/", false}, {"a//b", false}, {"a b", false}, {"a\tb", false}, {".", false}, {"a/.", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kittool::names::check_file_name(c.name).empty(), c.fit) << c.name;
    }
}

}  // namespace
