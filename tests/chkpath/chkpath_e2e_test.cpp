// chkpath's messages as the real installer shows them, once during the
// selection dialogue and once during extraction. Answers come on standard
// input: the language, Enter for the package, its path line, Enter for "no
// changes", the overwrite-prompt answer, then any replace answers.

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

#include "tests/support/kit.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using namespace testing_support;

const std::string kStatusLine = "\t\t\t\t\t\t\t\t\t       \r";

std::string ask_overwrite(const std::string& p) {
    return "\r" + kStatusLine + "\rFile '" + p + "' exists. Ok to overwrite [Y] ? ";
}
std::string not_installed(const std::string& p) { return "\r" + kStatusLine + "\rFile '" + p + "' was not installed.\r"; }

// A kit of one package "base" holding one stored file, and a "c:" drive
// beside it; the installer runs in the kit's directory.
class Kit {
public:
    explicit Kit(const std::string& package_path = "/base") {
        StoredKit kit = stored_kit(KitHeader{}, {{"base", package_path}}, {{0, "a.txt", "hello"}});
        write_kit(dir.path(), kit);
        EXPECT_EQ(::mkdir((dir / "c:").c_str(), 0755), 0);
    }
    RunResult install(const std::string& answers) {
        RunOptions o;
        o.cwd = dir.path();
        return run({INSTALL_BIN, "c"}, answers, o);
    }
    std::string at(const std::string& name) const { return dir / name; }

    TempDir dir;
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ChkpathEndToEnd, AFileInTheWayOfAPackageDirectoryIsReportedAndTheUserAskedAgain) {
    Kit kit;
    write_file(kit.at("c:/base"), "a file");
    RunResult r = kit.install("e\n\n/other\n\n\n");
    EXPECT_TRUE(contains(r.out, "\nError: 'c:/base' is an existing file, not a directory\n")) << r.out;
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(kit.at("c:/base")), "a file");
    EXPECT_EQ(read_file(kit.at("c:/other/a.txt")), "hello");
}

TEST(ChkpathEndToEnd, AnExistingFileIsReplacedOnlyAsTheUserSays) {
    struct Case {
        const char* what;
        std::string answers;
        std::string shown;  // empty: nothing about the existing file
        std::string contents;
    };
    const Case cases[] = {
        {"prompting off", "e\n\n\nn", "", "hello"},
        {"yes", "e\n\n\n\ny", ask_overwrite("c:/base/a.txt"), "hello"},
        {"Enter", "e\n\n\n\n\r", ask_overwrite("c:/base/a.txt"), "hello"},
        {"no", "e\n\n\n\nn", ask_overwrite("c:/base/a.txt") + not_installed("c:/base/a.txt"), "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Kit kit;
        ASSERT_EQ(::mkdir(kit.at("c:/base").c_str(), 0755), 0);
        write_file(kit.at("c:/base/a.txt"), "old");
        ASSERT_EQ(::chmod(kit.at("c:/base/a.txt").c_str(), 0444), 0);
        RunResult r = kit.install(c.answers);
        EXPECT_EQ(r.status, 0);
        if (c.shown.empty())
            EXPECT_FALSE(contains(r.out, "exists")) << r.out;
        else
            EXPECT_TRUE(contains(r.out, c.shown)) << r.out;
        EXPECT_EQ(read_file(kit.at("c:/base/a.txt")), c.contents);
        EXPECT_EQ(mode_of(kit.at("c:/base/a.txt")) & 0222, 0u);
    }
}

TEST(ChkpathEndToEnd, ADirectoryWhereTheFileMustGoIsRefused) {
    Kit kit;
    ASSERT_EQ(::mkdir(kit.at("c:/base").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(kit.at("c:/base/a.txt").c_str(), 0755), 0);
    RunResult r = kit.install("e\n\n\n\n");
    EXPECT_TRUE(contains(r.out, "\nError: cannot create file 'c:/base/a.txt' - is a directory\n" +
                                    not_installed("c:/base/a.txt")))
        << r.out;
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(is_directory(kit.at("c:/base/a.txt")));
}

// A DOS kit's package path with backslashes makes real directories.
TEST(ChkpathEndToEnd, BackslashPackagePathsMakeRealDirectories) {
    Kit kit("\\base\\sub");
    RunResult r = kit.install("e\n\n\n\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(is_directory(kit.at("c:/base/sub")));
    EXPECT_EQ(read_file(kit.at("c:/base/sub/a.txt")), "hello");
    EXPECT_EQ(list_tree(kit.at("c:")), (std::vector<std::string>{"base", "base/sub", "base/sub/a.txt"}));
}

}  // namespace
