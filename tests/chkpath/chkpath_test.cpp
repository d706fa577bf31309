// chkpath on a real, temporary tree. Most cases run with the temporary
// directory as the working directory, so that a relative path such as
// "c:/base/x.dat" shows exactly which directories the walk looks at: "c:"
// plays the drive, a directory (or a file, or nothing) made by the case.

#include "installer/chkpath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/trace.h"
#include "installer/state.h"
#include "tests/support/fake_console.h"
#include "tests/support/tempdir.h"

namespace {

using testing_support::FakeConsole;
using testing_support::list_tree;
using testing_support::TempDir;

using Tree = std::vector<std::string>;

// The five texts, English and French, as the user must see them.
std::string not_a_directory(const std::string& p) { return "\nError: '" + p + "' is an existing file, not a directory\n"; }
std::string cannot_create_directory(const std::string& p) { return "\nError: cannot create directory '" + p + "'\n"; }
std::string file_is_directory(const std::string& p) { return "\nError: cannot create file '" + p + "' - is a directory\n"; }
std::string cannot_create_file(const std::string& p) { return "\nError: cannot create file '" + p + "'\n"; }
const std::string kStatusLine = "\t\t\t\t\t\t\t\t\t       \r";
std::string ask_overwrite(const std::string& p) { return "\r" + kStatusLine + "\rFile '" + p + "' exists. Ok to overwrite "; }

struct Call {
    int result;
    std::string output;
    std::string echoed;
};

// Runs chkpath once on a scripted console and checks that it left its mark
// in the trace ring and stepped back out of it, whichever way it returned.
Call run_chkpath(const std::string& path, int prompt = 0, const std::string& keys = {}, Language language = English) {
    FakeConsole fake(keys, language);
    InstallState st(fake.con);
    st.prompt_before_overwrite = prompt;

    trace::Ring& ring = trace::ring();
    const int position = ring.position;
    int result = chkpath(st, path);
    EXPECT_EQ(ring.position, position) << path;
    const char* recorded = ring.slots[static_cast<std::size_t>(position)];
    EXPECT_TRUE(recorded != nullptr && std::strcmp(recorded, "chkpath") == 0) << path;
    EXPECT_TRUE(fake.keys.unread().empty()) << "keys left over for " << path;
    return {result, fake.out.text(), fake.keys.echoed};
}

// A fixture whose working directory is a fresh temporary directory.
class ChkpathTest : public ::testing::Test {
protected:
    void SetUp() override {
        char* cwd = ::getcwd(nullptr, 0);
        ASSERT_NE(cwd, nullptr);
        old_cwd_ = cwd;
        std::free(cwd);
        ASSERT_EQ(::chdir(tmp_.path().c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(::chdir(old_cwd_.c_str()), 0); }

    void make_dirs(const Tree& dirs) {
        for (const std::string& d : dirs) ASSERT_EQ(::mkdir(d.c_str(), 0755), 0) << d;
    }
    void make_files(const Tree& files) {
        for (const std::string& f : files) testing_support::write_file(f, "old contents");
    }
    Tree tree() const { return list_tree(tmp_.path()); }

    TempDir tmp_;

private:
    std::string old_cwd_;
};

struct WalkCase {
    const char* what;
    Tree dirs;   // made before the call, in order
    Tree files;  // made before the call
    std::string path;
    int result;
    std::string output;
    Tree after;  // the whole tree afterwards
};

// Which prefixes are looked at, what gets created, and what is refused.
// The tree afterwards also shows that a successful probe leaves no file.
TEST_F(ChkpathTest, WalksThePrefixesAfterTheFirstSeparator) {
    const std::vector<WalkCase> cases = {
        {"file two levels down", {"c:"}, {}, "c:/base/data/x.dat", 0, "", {"c:", "c:/base", "c:/base/data"}},
        {"directory path", {"c:"}, {}, "c:/base/data/", 0, "", {"c:", "c:/base", "c:/base/data"}},
        {"directory path, one level", {"c:"}, {}, "c:/base/", 0, "", {"c:", "c:/base"}},
        {"other drive", {"d:"}, {}, "d:/inst/base/x.dat", 0, "", {"d:", "d:/inst", "d:/inst/base"}},
        {"existing directories are walked through", {"c:", "c:/base"}, {}, "c:/base/data/", 0, "",
         {"c:", "c:/base", "c:/base/data"}},

        // The drive is never examined: absent, it is not created, and the
        // first prefix fails; a file there is not reported as a file.
        {"drive absent", {}, {}, "c:/base/x.dat", 1, cannot_create_directory("c:/base"), {}},
        {"drive is a file", {}, {"c:"}, "c:/base/x.dat", 1, cannot_create_directory("c:/base"), {"c:"}},

        // Relative to a drive: the first directory is the part never examined.
        {"drive-relative file, directory present", {"c:base"}, {}, "c:base/x.dat", 0, "", {"c:base"}},
        {"drive-relative file, directory absent", {}, {}, "c:base/x.dat", 1, cannot_create_file("c:base/x.dat"), {}},
        {"drive-relative directory path", {}, {}, "c:base/", 0, "", {}},
        {"drive-relative, deeper directory", {}, {}, "c:base/sub/x.dat", 1, cannot_create_directory("c:base/sub"),
         {}},

        // Both separators, in any mix; each prefix keeps them as written.
        {"mixed separators", {"c:"}, {}, "c:\\base/data\\x.dat", 0, "", {"c:", "c:/base", "c:/base/data"}},
        {"backslashes only", {"c:"}, {}, "c:\\base\\data\\", 0, "", {"c:", "c:/base", "c:/base/data"}},
        {"mixed separators in the message", {"c:", "c:/base"}, {"c:/base/data"}, "c:\\base/data\\x.dat", 1,
         not_a_directory("c:\\base/data"), {"c:", "c:/base", "c:/base/data"}},

        // Two separators in a row: the prefix ending in the first of them is
        // examined as well, separator included.
        {"doubled separator", {"c:"}, {}, "c:/base//x.dat", 0, "", {"c:", "c:/base"}},
        {"doubled after the drive creates it", {}, {}, "c://base/x.dat", 0, "", {"c:", "c:/base"}},
        {"doubled backslashes after the drive", {}, {}, "c:\\\\base\\x.dat", 0, "", {"c:", "c:/base"}},
        {"doubled after a drive that is a file", {}, {"c:"}, "c://base/x.dat", 1, cannot_create_directory("c:/"),
         {"c:"}},

        // In the way.
        {"a file where a directory must go", {"c:"}, {"c:/base"}, "c:/base/data/x.dat", 1, not_a_directory("c:/base"),
         {"c:", "c:/base"}},
        {"a file in the way, deeper", {"c:", "c:/base"}, {"c:/base/data"}, "c:/base/data/more/", 1,
         not_a_directory("c:/base/data"), {"c:", "c:/base", "c:/base/data"}},
        {"a directory where the file must go", {"c:", "c:/base", "c:/base/x.dat"}, {}, "c:/base/x.dat", 1,
         file_is_directory("c:/base/x.dat"), {"c:", "c:/base", "c:/base/x.dat"}},
        {"a directory where the file must go, backslashes", {"c:", "c:/base"}, {}, "c:\\base", 1,
         file_is_directory("c:\\base"), {"c:", "c:/base"}},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir scratch;
        ASSERT_EQ(::chdir(scratch.path().c_str()), 0);
        make_dirs(c.dirs);
        make_files(c.files);
        Call call = run_chkpath(c.path);
        EXPECT_EQ(call.result, c.result) << c.path;
        EXPECT_EQ(call.output, c.output) << c.path;
        EXPECT_EQ(list_tree(scratch.path()), c.after) << c.path;
        ASSERT_EQ(::chdir(tmp_.path().c_str()), 0);
    }
}

// With no drive part the walk begins after the leading separator: the empty
// prefix before it is never asked about (it would not exist), and every
// directory of an absolute path is examined from the first one on.
TEST_F(ChkpathTest, AbsolutePathWalksFromTheFirstDirectory) {
    const std::string path = tmp_.path() + "/base/data/x.dat";
    Call call = run_chkpath(path);
    EXPECT_EQ(call.result, 0);
    EXPECT_EQ(call.output, "");
    EXPECT_EQ(tree(), (Tree{"base", "base/data"}));

    const std::string backslashed = tmp_.path() + "\\other\\x.dat";
    call = run_chkpath(backslashed);
    EXPECT_EQ(call.result, 0);
    EXPECT_EQ(tree(), (Tree{"base", "base/data", "other"}));
}

struct OverwriteCase {
    const char* what;
    int prompt;
    std::string keys;
    int result;
    std::string output_after_question;  // printed behind MSG_ASK_OVERWRITE
    std::string echoed;
};

// An existing file is accepted silently, or after a yes to the replace
// question (default yes); either way chkpath leaves the file itself alone.
TEST_F(ChkpathTest, ExistingFileIsReplacedSilentlyOrAfterTheQuestion) {
    const std::string path = "c:/base/x.dat";
    const std::vector<OverwriteCase> cases = {
        {"prompting off", 0, "", 0, "", ""},
        {"yes", 1, "y", 0, "[Y] ? ", "y"},
        {"upper-case yes", 1, "Y", 0, "[Y] ? ", "Y"},
        {"Enter takes the default yes", 1, "\r", 0, "[Y] ? ", ""},
        {"a bare line feed too", 1, "\n", 0, "[Y] ? ", ""},
        {"any non-zero flag prompts", 2, "\r", 0, "[Y] ? ", ""},
        {"no", 1, "n", 1, "[Y] ? ", "n"},
        {"upper-case no", 1, "N", 1, "[Y] ? ", "N"},
        {"an invalid key, then no", 1, "xn", 1, "[Y] ? \nEnter Y or N: ", "n"},
    };
    make_dirs({"c:", "c:/base"});
    testing_support::write_file(path, "old contents");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    for (const OverwriteCase& c : cases) {
        SCOPED_TRACE(c.what);
        Call call = run_chkpath(path, c.prompt, c.keys);
        EXPECT_EQ(call.result, c.result);
        EXPECT_EQ(call.output, c.prompt == 0 ? "" : ask_overwrite(path) + c.output_after_question);
        EXPECT_EQ(call.echoed, c.echoed);
        EXPECT_EQ(testing_support::read_file(path), "old contents");
        EXPECT_EQ(testing_support::mode_of(path), 0444u);
    }
}

// The texts in French, and the French hint of the replace question.
TEST_F(ChkpathTest, MessagesInFrench) {
    make_dirs({"c:", "c:/dir", "c:/dir/file.dat"});
    make_files({"c:/file", "c:/old.dat"});
    struct Case {
        std::string path;
        std::string keys;
        std::string output;
    };
    const std::vector<Case> cases = {
        {"c:/file/x.dat", "", "\nErreur: 'c:/file' est un fichier existant, pas un r\x82pertoire.\n"},
        {"c:base/sub/x.dat", "", "\nErreur: Impossible de cr\x82" "er le r\x82pertoire 'c:base/sub'\n"},
        {"c:/dir/file.dat", "",
         "\nErreur: Impossible de cr\x82" "er le fichier 'c:/dir/file.dat' - c'est un r\x82pertoire\n"},
        {"c:base/x.dat", "", "\nErreur: Impossible de cr\x82" "er le fichier 'c:base/x.dat'\n"},
        {"c:/old.dat", "n",
         "\r" + kStatusLine + "\rLe fichier 'c:/old.dat' existe.  Superposition d'\x82" "criture autoris\x82" "e [O] ? "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Call call = run_chkpath(c.path, 1, c.keys, French);
        EXPECT_EQ(call.output, c.output);
        EXPECT_EQ(call.result, 1);
    }
}

// A path longer than the installer's 127-character paths, or one without
// any separator, is refused before anything is created or written.
TEST_F(ChkpathTest, RefusesPathsItCannotWalk) {
    make_dirs({"c:"});
    auto with_length = [](const std::string& head, std::size_t length, const std::string& tail) {
        return head + std::string(length - head.size() - tail.size(), 'a') + tail;
    };
    const std::string long_file = with_length("c:/base/", 128, ".dat");
    const std::string long_directory = with_length("c:/base/", 128, "/");
    const std::string long_backslashed = with_length("c:\\base\\", 128, "\\");
    struct Case {
        std::string path;
        std::string output;
    };
    const std::vector<Case> cases = {
        {long_file, cannot_create_file(long_file)},
        {long_directory, cannot_create_directory(long_directory)},
        {long_backslashed, cannot_create_directory(long_backslashed)},
        {"x.dat", cannot_create_file("x.dat")},
        {"c:", cannot_create_file("c:")},
        {"", cannot_create_file("")},
        // A NUL would hand the system a shorter name than the one shown.
        {std::string("c:/base\0/x.dat", 14), cannot_create_file("c:/base")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Call call = run_chkpath(c.path);
        EXPECT_EQ(call.result, 1);
        EXPECT_EQ(call.output, c.output);
        EXPECT_EQ(tree(), Tree{"c:"});
    }
}

// The longest accepted path, 127 characters, is taken whole.
TEST_F(ChkpathTest, AcceptsAPathOfExactlyTheLimit) {
    make_dirs({"c:"});
    const std::string head = "c:/base/";
    const std::string file = head + std::string(127 - head.size() - 4, 'b') + ".dat";
    const std::string directory = head + std::string(127 - head.size() - 1, 'd') + "/";
    ASSERT_EQ(file.size(), 127u);
    ASSERT_EQ(directory.size(), 127u);

    EXPECT_EQ(run_chkpath(file).result, 0);
    EXPECT_EQ(run_chkpath(directory).result, 0);
    EXPECT_EQ(tree(), (Tree{"c:", "c:/base", directory.substr(0, 126)}));
}

// Where the permissions must hold, chkpath runs without root: as root, in a
// child that gives root up first. The outcome comes back through a pipe.
std::optional<Call> run_chkpath_unprivileged(const std::string& path) {
    if (::geteuid() != 0) return run_chkpath(path);
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        ::close(fds[0]);
        const gid_t nobody_gid = 65534;
        const uid_t nobody_uid = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody_gid) != 0 || ::setuid(nobody_uid) != 0) ::_exit(100);
        FakeConsole fake;
        InstallState st(fake.con);
        int result = chkpath(st, path);
        const std::string& text = fake.out.text();
        if (::write(fds[1], text.data(), text.size()) != static_cast<ssize_t>(text.size())) ::_exit(101);
        ::_exit(result);
    }
    ::close(fds[1]);
    std::string output;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) output.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1) return std::nullopt;
    return Call{WEXITSTATUS(status), output, {}};
}

// On a medium where nothing can be created: the absent file is refused
// after the probe fails, and a missing directory after mkdir fails.
TEST_F(ChkpathTest, RefusesWhereNothingCanBeCreated) {
    // The child must be able to reach the tree.
    ASSERT_EQ(::chmod(tmp_.path().c_str(), 0755), 0);
    make_dirs({"ro"});
    ASSERT_EQ(::chmod("ro", 0555), 0);
    const std::string file = tmp_.path() + "/ro/x.dat";
    const std::string deeper = tmp_.path() + "/ro/sub/x.dat";

    std::optional<Call> call = run_chkpath_unprivileged(file);
    if (!call) GTEST_SKIP() << "cannot run chkpath without root here";
    EXPECT_EQ(call->result, 1);
    EXPECT_EQ(call->output, cannot_create_file(file));

    call = run_chkpath_unprivileged(deeper);
    ASSERT_TRUE(call);
    EXPECT_EQ(call->result, 1);
    EXPECT_EQ(call->output, cannot_create_directory(tmp_.path() + "/ro/sub"));
    EXPECT_EQ(tree(), Tree{"ro"});
}

}  // namespace
