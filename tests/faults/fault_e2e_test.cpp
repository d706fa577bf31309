// Faults of the machine met by the real installer: a full disk, a catalog
// that cannot be read, a destination that cannot be written, and signals
// in the middle of a copy. None may pass for success, and the terminal is
// left exactly as it was found.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <thread>

#include <fcntl.h>
#include <pty.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kittool/compress.h"
#include "tests/support/kit.h"
#include "tests/support/data.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

const std::string kStatusLine = "\t\t\t\t\t\t\t\t\t       \r";
const std::string kAnswersEnded = "\nError: The answers ended before the installation was complete.\n";
const std::string kFinished = "\nEND of VELK & VOLK Installation Program.\n\n";

std::string write_failed(const std::string& path) {
    return "\nError: File '" + path + "' could not be successfully written.\n       Check if disk is full.\n";
}

std::string ending_of(const std::string& out, std::size_t n) { return out.size() < n ? out : out.substr(out.size() - n); }

// A small file system of its own, mounted for the test's life. Mounting
// needs root; without it the test is skipped.
class SmallDisk {
public:
    SmallDisk(const std::string& where, const std::string& options) : where_(where) {
        mounted_ = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::string where_;
    bool mounted_ = false;
};

struct KitDir {
    TempDir dir;
    KitDir() { ::mkdir((dir / "c:").c_str(), 0755); }
    RunResult install(const std::string& answers = "e\n\n\n\n", RunOptions o = {}) const {
        o.cwd = dir.path();
        return run({INSTALL_BIN, "c"}, answers, o);
    }
};

TEST(Faults, FullDiskWhileWritingStoredAndCompressedFiles) {
    const std::string big = random_bytes(200000, 3);
    std::string text;
    for (int i = 0; text.size() < 300000; ++i) text += "line " + std::to_string(i) + " of a text file\n";
    for (int compressed : {0, 1}) {
        SCOPED_TRACE(compressed ? "compressed" : "stored");
        KitDir kit;
        SmallDisk disk(kit.dir / "c:", "size=64k");
        if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
        const std::string& data = compressed ? text : big;
        StoredKit k = stored_kit({}, {{"base", "/base"}},
                                 {{0, "small.txt", "fits"}, {0, "big", data, compressed, compressed ? lzw_compress(data) : ""}});
        write_kit(kit.dir.path(), k);
        RunResult r = kit.install();
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(ending_of(r.out, write_failed("c:/base/big").size()), write_failed("c:/base/big"));
        // What was installed before the disk filled up stays as it was.
        EXPECT_EQ(read_file(kit.dir / "c:/base/small.txt"), "fits");
        EXPECT_EQ(mode_of(kit.dir / "c:/base/small.txt") & 0222, 0u);
    }
}

// The installer run as an ordinary user, for whom permissions hold.
std::vector<std::string> as_nobody(std::vector<std::string> argv) {
    if (::getuid() != 0) return argv;
    argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    return argv;
}

bool can_run_as_nobody() { return ::getuid() != 0 || ::access("/usr/bin/setpriv", X_OK) == 0; }

TEST(Faults, CatalogThatCannotBeRead) {
    const std::string cannot_open = "\nError: Unable to open 'CATALOG.DAT'.\n";
    const std::string request = "\r" + kStatusLine + "\rPlease put disk 1 in disk drive and press any key to continue.";
    struct Case {
        const char* name;
        void (*make)(const std::string& path);
        std::string ending;
    };
    const Case cases[] = {
        // It opens, and its first read fails: never taken for an empty or
        // short catalog.
        {"a read error", [](const std::string& p) { ASSERT_EQ(::symlink("/proc/self/mem", p.c_str()), 0); },
         "Licensee: \n\nError: Unable to read the file 'CATALOG.DAT'.\n"},
        // Not a catalog at all: disk 1 is asked for, and the answers end.
        {"a directory", [](const std::string& p) { ::mkdir(p.c_str(), 0755); },
         cannot_open + request + "\r" + kStatusLine + "\r" + cannot_open + request + kAnswersEnded},
        {"no read permission",
         [](const std::string& p) {
             write_file(p, catalog_header() + "1\nbase /base 1 0\n");
             ::chmod(p.c_str(), 0);
         },
         cannot_open + request + "\r" + kStatusLine + "\r" + cannot_open + request + kAnswersEnded},
    };
    if (!can_run_as_nobody()) GTEST_SKIP() << "no way to give up root here";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ::chmod(dir.path().c_str(), 0755);
        c.make(dir / "CATALOG.DAT");
        RunOptions o;
        o.cwd = dir.path();
        RunResult r = run(as_nobody({INSTALL_BIN, "c"}), "ex", o);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(ending_of(r.out, c.ending.size()), c.ending) << r.out;
    }
}

TEST(Faults, DestinationThatCannotBeWritten) {
    if (!can_run_as_nobody()) GTEST_SKIP() << "no way to give up root here";
    const std::string kit_catalog = catalog_header() + "1\nbase /base 1 3\n0 0 3 3 1 0 0 f\n";
    struct Case {
        const char* name;
        const char* writable;  // the one directory below c: that an ordinary user may write, or none
        std::string answers;
        std::string ending;
        int status;
    };
    const Case cases[] = {
        // The package directory cannot be made: the path is refused and asked
        // for again until the answers end.
        {"the drive", nullptr, "e\n\n",
         "\nError: cannot create directory 'c:/base'\n", 255},
        // The directory is there but no file can be made in it: the file is
        // not installed, and the run ends normally.
        {"the package directory", "base", "e\n\n\n\n",
         "\nError: cannot create file 'c:/base/f'\n\r" + kStatusLine + "\rFile 'c:/base/f' was not installed.\r", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ::chmod(dir.path().c_str(), 0755);
        write_file(dir / "CATALOG.DAT", kit_catalog);
        write_file(dir / "VOL1.DAT", "abc");
        ::mkdir((dir / "c:").c_str(), 0555);
        if (c.writable != nullptr) ::mkdir((dir / "c:/" + c.writable).c_str(), 0555);
        ::chmod((dir / "c:").c_str(), 0555);
        RunOptions o;
        o.cwd = dir.path();
        RunResult r = run(as_nobody({INSTALL_BIN, "c"}), c.answers, o);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.out.find(c.ending), std::string::npos) << r.out;
        EXPECT_FALSE(exists(dir / "c:/base/f"));
        if (c.status == 0) {
            EXPECT_EQ(ending_of(r.out, kFinished.size()), kFinished);
        } else {
            EXPECT_EQ(ending_of(r.out, kAnswersEnded.size()), kAnswersEnded);
        }
    }
}

// Volume 1 is a pipe the test writes into, so the copy stops in the middle,
// its output open and half written, for as long as the test likes.
TEST(Faults, SignalDuringACopyRestoresTheTerminal) {
    struct Case {
        const char* name;
        int signal;        // sent to the installer
        const char* keys;  // or typed on its terminal
    };
    const Case cases[] = {
        {"SIGINT", SIGINT, ""}, {"SIGTERM", SIGTERM, ""}, {"SIGHUP", SIGHUP, ""}, {"Ctrl-C", 0, "\x03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ::mkdir((dir / "c:").c_str(), 0755);
        write_file(dir / "CATALOG.DAT", catalog_header() + "1\nbase /base 1 100000\n0 0 100000 100000 1 0 0 big\n");
        ASSERT_EQ(::mkfifo((dir / "VOL1.DAT").c_str(), 0644), 0);
        RunOptions o;
        o.cwd = dir.path();
        o.stdin_is_tty = true;
        o.env["LANG"] = "C.UTF-8";
        o.env["LC_ALL"] = std::nullopt;
        Child child({INSTALL_BIN, "c"}, o);
        ASSERT_TRUE(child.wait_for("dialogue fran"));
        std::this_thread::sleep_for(300ms);
        child.send("e");
        // Install the package, keep its path, no change, no prompting.
        ASSERT_TRUE(child.wait_for("(97K) [Y] ? "));
        std::this_thread::sleep_for(200ms);
        child.send("\r");
        ASSERT_TRUE(child.wait_for("path ["));
        std::this_thread::sleep_for(200ms);
        child.send("\n");
        ASSERT_TRUE(child.wait_for("selections "));
        std::this_thread::sleep_for(200ms);
        child.send("n");
        ASSERT_TRUE(child.wait_for("replaced "));
        std::this_thread::sleep_for(200ms);
        child.send("n");

        // The installer opens the pipe for reading; give it the first 20000
        // bytes and keep the pipe open, so its next read waits.
        int fd = -1;
        for (int i = 0; i < 200 && fd < 0; ++i) {
            fd = ::open((dir / "VOL1.DAT").c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) std::this_thread::sleep_for(50ms);
        }
        ASSERT_GE(fd, 0) << "the installer never opened its volume";
        const std::string part = random_bytes(20000, 5);
        ASSERT_EQ(::write(fd, part.data(), part.size()), static_cast<ssize_t>(part.size()));
        // The status labels wait in the output buffer; the file shows the copy.
        struct stat st {};
        const auto written = static_cast<off_t>(part.size());
        for (int i = 0; i < 200 && (::stat((dir / "c:/base/big").c_str(), &st) != 0 || st.st_size < written); ++i)
            std::this_thread::sleep_for(50ms);
        ASSERT_EQ(st.st_size, written) << "the copy never got the bytes";
        std::this_thread::sleep_for(200ms);

        if (c.signal != 0) child.signal(c.signal);
        else child.send(c.keys);
        RunResult r = child.finish();
        ::close(fd);
        EXPECT_FALSE(r.timed_out);
        EXPECT_EQ(r.signal, c.signal != 0 ? c.signal : SIGINT);
        EXPECT_TRUE(same_settings(child.tty_settings(), fresh_terminal_settings()));
        // Nothing is undone: the partial file stays, still writable.
        EXPECT_TRUE(exists(dir / "c:/base/big"));
        EXPECT_NE(mode_of(dir / "c:/base/big") & 0200, 0u);
    }
}

}  // namespace
