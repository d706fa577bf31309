// The installer on a real (pseudo-)terminal: keys read raw and unechoed on
// standard output, type-ahead thrown away, texts adapted to the screen, and
// the terminal left exactly as it was found on every way out.
#include <gtest/gtest.h>

#include <csignal>
#include <pty.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "tests/support/kit.h"
#include "tests/support/data.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

struct TtyKit {
    TempDir dir;
    TtyKit() {
        StoredKit kit = stored_kit({}, {{"base", "/base", 1, 12288}}, {{0, "a.txt", "hello"}});
        write_kit(dir.path(), kit);
        ::mkdir((dir / "c:").c_str(), 0755);
    }
    RunOptions options(bool stdout_tty) const {
        RunOptions o;
        o.cwd = dir.path();
        o.stdin_is_tty = true;
        o.stdout_is_tty = stdout_tty;
        o.env["LANG"] = "C.UTF-8";
        o.env["LC_ALL"] = std::nullopt;
        return o;
    }
};

TEST(Terminal, KeysAreRawTypeAheadIsDiscardedAndEchoSkipsStandardOutput) {
    TtyKit kit;
    Child child({INSTALL_BIN, "c"}, kit.options(false));
    ASSERT_TRUE(child.wait_for("dialogue fran"));
    std::this_thread::sleep_for(300ms);  // the installer now waits for its key
    // One key answers the language question at once (no Enter needed); the
    // two n typed ahead must not answer the package question.
    child.send("enn");
    ASSERT_TRUE(child.wait_for("(12K) [Y] ? "));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(child.output().find("Enter Y or N"), std::string::npos);
    child.send("y");
    ASSERT_TRUE(child.wait_for("[/base/\b] ? "));
    child.send("\n");
    ASSERT_TRUE(child.wait_for("selections [N] ? "));
    std::this_thread::sleep_for(200ms);
    child.send("n");
    ASSERT_TRUE(child.wait_for("replaced [Y] ? "));
    std::this_thread::sleep_for(200ms);
    child.send("\r");
    RunResult r = child.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(exists(kit.dir / "c:/base/a.txt"));
    // Echoes went to the terminal, none to standard output.
    EXPECT_NE(r.tty.find('y'), std::string::npos);
    EXPECT_NE(r.tty.find('n'), std::string::npos);
    EXPECT_NE(r.out.find("(12K) [Y] ? \nDefault"), std::string::npos);
    EXPECT_NE(r.out.find("selections [N] ? \nDo you wish to be prompted"), std::string::npos);
    EXPECT_TRUE(same_settings(child.tty_settings(), fresh_terminal_settings()));
}

TEST(Terminal, ScreenGetsBlanksForTabsAndUtf8ForCodePage850) {
    TtyKit kit;
    Child child({INSTALL_BIN, "c"}, kit.options(true));
    ASSERT_TRUE(child.wait_for("dialogue fran"));
    std::this_thread::sleep_for(300ms);
    child.send("f");
    ASSERT_TRUE(child.wait_for("(12K) [O] ? "));
    child.signal(SIGTERM);
    RunResult r = child.finish();
    const std::string& screen = r.tty;
    EXPECT_EQ(screen.find('\t'), std::string::npos);
    EXPECT_NE(screen.find("        \u2554" + std::string() + "\u2550"), std::string::npos);
    EXPECT_NE(screen.find("        \u2551                                                               \u2551"),
              std::string::npos);
    EXPECT_NE(screen.find("dialogue fran\u00e7ais"), std::string::npos);
    EXPECT_NE(screen.find("D\u00e9sirez-vous installer la partie 'base' (12K) [O] ? "), std::string::npos);
    EXPECT_EQ(screen.find('\x82'), std::string::npos);
}

// Every way out puts the terminal back as it was found.
TEST(Terminal, SettingsRestoredOnEveryWayOut) {
    struct Case {
        const char* name;
        int signal;          // sent at the package question; 0: none
        std::string keys;    // typed at the package question instead
        int status;          // expected exit status, when no signal ends it
    };
    const Case cases[] = {
        {"normal end", 0, "n\rn\r", 0},
        {"Ctrl-C", 0, "\x03", -1},
        {"SIGINT", SIGINT, "", -1},
        {"SIGTERM", SIGTERM, "", -1},
        {"SIGHUP", SIGHUP, "", -1},
    };
    for (const Case& c : cases) {
        TtyKit kit;
        Child child({INSTALL_BIN, "c"}, kit.options(false));
        ASSERT_TRUE(child.wait_for("dialogue fran")) << c.name;
        std::this_thread::sleep_for(300ms);
        child.send("e");
        ASSERT_TRUE(child.wait_for("(12K) [Y] ? ")) << c.name;
        std::this_thread::sleep_for(300ms);
        if (c.signal != 0) child.signal(c.signal);
        for (char k : c.keys) {
            child.send(std::string(1, k));
            std::this_thread::sleep_for(200ms);
        }
        RunResult r = child.finish();
        EXPECT_FALSE(r.timed_out) << c.name;
        if (c.status == 0) {
            EXPECT_EQ(r.status, 0) << c.name;
        } else {
            EXPECT_NE(r.signal, 0) << c.name;
        }
        EXPECT_TRUE(same_settings(child.tty_settings(), fresh_terminal_settings())) << c.name;
    }
}

TEST(Terminal, SettingsRestoredAfterAFatalEnd) {
    TempDir dir;
    write_file(dir / "CATALOG.DAT", catalog_header() + "16\n");
    RunOptions o;
    o.cwd = dir.path();
    o.stdin_is_tty = true;
    Child child({INSTALL_BIN, "c"}, o);
    ASSERT_TRUE(child.wait_for("dialogue fran"));
    std::this_thread::sleep_for(300ms);
    child.send("e");
    RunResult r = child.finish();
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("The number of packages (16) is greater than program capacity (15)."), std::string::npos);
    EXPECT_TRUE(same_settings(child.tty_settings(), fresh_terminal_settings()));
}

}  // namespace
