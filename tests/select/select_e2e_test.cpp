// The package selection dialogue through the real program, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include "tests/support/kit.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

using namespace testing_support;

namespace {

std::string ask_package(const std::string& name, const std::string& k, char hint) {
    return "\nDo you wish to install the '" + name + "' package (" + k + "K) [" + hint + "] ? ";
}
std::string ask_package_fr(const std::string& name, const std::string& k, char hint) {
    return "\nD\x82sirez-vous installer la partie '" + name + "' (" + k + "K) [" + hint + "] ? ";
}
std::string ask_path(const std::string& path) { return "\nDefault or new installation path [" + path + "\b] ? "; }
std::string ask_path_fr(const std::string& path) {
    return "\nAffectation implicite ou nouveau parcours d'installation [" + path + "\b] ?";
}
const std::string kHeading =
    "\n   Size Package               Installation Path\n   ---- -------               -----------------\n";
const std::string kHeadingFr =
    "\n Grandeur Progiciel           Parcours d'installation\n -------- ---------           -----------------------\n";
std::string line(const std::string& k, const std::string& name, const std::string& path) {
    std::string size = std::string(6 - k.size(), ' ') + k + "K ";
    std::string padded = name.substr(0, 20);
    padded.resize(20, ' ');
    return size + padded + "  " + path + "\n";
}
std::string total(const std::string& k) { return " ------\n" + std::string(6 - k.size(), ' ') + k + "K\n"; }
std::string change(char hint = 'N') { return std::string("\nDo you wish to change any of the above selections [") + hint + "] ? "; }
const std::string kOverwrite = "\nDo you wish to be prompted before an existing file is replaced [Y] ? \n";
const std::string kChangeFr = "\nD\x82sirez-vous changer une des s\x82lections ci-dessus [N] ? ";
const std::string kOverwriteFr =
    "\nD\x82sirez-vous que l'ordinateur vous demande l'autorisation avant de remplacer un fichier existant [O] ? \n";

struct Kit {
    TempDir dir;
    explicit Kit(const std::vector<KitPackage>& packages, const std::vector<KitFile>& files = {}) {
        write_kit(dir.path(), stored_kit({}, packages, files));
        ::mkdir((dir / "c:").c_str(), 0755);
    }
    RunResult install(const std::string& answers, const std::string& dest = "c") {
        RunOptions o;
        o.cwd = dir.path();
        return run({INSTALL_BIN, dest}, answers, o);
    }
};

// The dialogue: from the line after the header to the end of the last question.
std::string dialogue_of(const std::string& out) {
    std::size_t start = out.find('\n', out.find("Licensee: ") != std::string::npos ? out.find("Licensee: ")
                                                                                     : out.find("permis d'utilisation: "));
    std::size_t last = out.find("existant [");
    if (last == std::string::npos) last = out.find("is replaced [");
    if (start == std::string::npos || last == std::string::npos) return out;
    std::size_t end = out.find("? ", last) + 3;
    return out.substr(start + 1, end - start - 1);
}

TEST(Selection, EnterEverywhereKeepsTheCatalogDefaults) {
    Kit kit({{"base", "/base", 1, 12288}, {"extra", "/opt/extra", 0, 5000}, {"docs", "\\doc", 2, 2048}},
            {{0, "a.txt", "a"}, {1, "b.txt", "b"}, {2, "c.txt", "c"}});
    RunResult r = kit.install("e\n\n\n\n\n\n\n");
    EXPECT_EQ(dialogue_of(r.out), "\n" + ask_package("base", "12", 'Y') + ask_path("/base/") +
                                      ask_package("extra", "4", 'N') + "\n" + ask_package("docs", "2", 'Y') +
                                      ask_path("\\doc/") + kHeading + line("12", "base", "c:/base/") +
                                      line("2", "docs", "c:\\doc/") + total("14") + change() + kOverwrite);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(exists(kit.dir / "c:/base/a.txt"));
    EXPECT_FALSE(exists(kit.dir / "c:/opt"));
    EXPECT_TRUE(exists(kit.dir / "c:/doc/c.txt"));
}

TEST(Selection, EnterEverywhereInFrench) {
    Kit kit({{"base", "/base", 1, 12288}, {"extra", "/extra", 0, 5000}}, {{0, "a.txt", "a"}});
    RunResult r = kit.install("f\n\n\n\n\n");
    EXPECT_EQ(dialogue_of(r.out), "\n" + ask_package_fr("base", "12", 'O') + ask_path_fr("/base/") +
                                      ask_package_fr("extra", "4", 'N') + "\n" + kHeadingFr +
                                      line("12", "base", "c:/base/") + total("12") + kChangeFr + kOverwriteFr);
    EXPECT_EQ(r.status, 0);
}

TEST(Selection, DeclinedPackageHasNoPathQuestionNoLineAndNoFiles) {
    Kit kit({{"base", "/base", 1, 2048}, {"extra", "/extra", 1, 4096}}, {{0, "a.txt", "a"}, {1, "b.txt", "b"}});
    RunResult r = kit.install("e\n\nn\n\n");
    EXPECT_EQ(dialogue_of(r.out), "\n" + ask_package("base", "2", 'Y') + ask_path("/base/") +
                                      ask_package("extra", "4", 'Y') + "\n" + kHeading + line("2", "base", "c:/base/") +
                                      total("2") + change() + kOverwrite);
    EXPECT_TRUE(exists(kit.dir / "c:/base/a.txt"));
    EXPECT_FALSE(exists(kit.dir / "c:/extra"));
}

TEST(Selection, TypedPathsGetTheirSeparator) {
    struct Case {
        std::string typed;
        std::string path;  // in the summary
        std::string file;  // where the file lands
    };
    const Case cases[] = {
        {"/data\n", "c:/data/", "c:/data/a.txt"},
        {"/data/\n", "c:/data//", "c:/data/a.txt"},
        {"/deep/er/path\n", "c:/deep/er/path/", "c:/deep/er/path/a.txt"},
        {"/last", "c:/last/", ""},  // the answers end without a line end, then the run ends
    };
    for (const Case& c : cases) {
        Kit kit({{"base", "/base", 1, 1024}}, {{0, "a.txt", "a"}});
        bool complete = c.typed.back() == '\n';
        RunResult r = kit.install("e\n" + c.typed + (complete ? "\n\n" : ""));
        if (!complete) {
            // A last line without its line end is still a whole answer.
            EXPECT_TRUE(is_directory(kit.dir / "c:/last")) << c.typed;
            continue;
        }
        EXPECT_NE(r.out.find(line("1", "base", c.path)), std::string::npos) << c.typed;
        EXPECT_EQ(read_file(kit.dir / c.file), "a") << c.typed;
    }
}

TEST(Selection, SizesInKDivideTowardsZero) {
    Kit kit({{"p1023", "/a", 1, 1023}, {"p1024", "/b", 1, 1024}, {"p1536", "/c", 1, 1536}, {"neg", "/d", 1, -1536}});
    RunResult r = kit.install("e\n\n\n\n\n\n\n\n\n\n");
    EXPECT_EQ(dialogue_of(r.out), "\n" + ask_package("p1023", "0", 'Y') + ask_path("/a/") +
                                      ask_package("p1024", "1", 'Y') + ask_path("/b/") +
                                      ask_package("p1536", "1", 'Y') + ask_path("/c/") +
                                      ask_package("neg", "-1", 'Y') + ask_path("/d/") + kHeading +
                                      line("0", "p1023", "c:/a/") + line("1", "p1024", "c:/b/") +
                                      line("1", "p1536", "c:/c/") + line("-1", "neg", "c:/d/") + total("1") + change() +
                                      kOverwrite);
}

TEST(Selection, TotalIsSummedInBytes) {
    Kit kit({{"one", "/a", 1, 1023}, {"two", "/b", 1, 1023}});
    RunResult r = kit.install("e\n\n\n\n\n\n");
    EXPECT_NE(r.out.find(line("0", "one", "c:/a/") + line("0", "two", "c:/b/") + total("1")), std::string::npos);
}

TEST(Selection, LongNamesAreCutToTwentyColumns) {
    Kit kit({{"abcdefghijklmnopqrst", "/a", 1, 0}});
    RunResult r = kit.install("e\n\n\n\n");
    EXPECT_NE(r.out.find("     0K abcdefghijklmnopqrst  c:/a/\n"), std::string::npos);
}

TEST(Selection, NoPackageSelected) {
    Kit kit({{"base", "/base", 1, 2048}}, {{0, "a.txt", "a"}});
    RunResult r = kit.install("en\n\n");
    EXPECT_EQ(dialogue_of(r.out), "\n" + ask_package("base", "2", 'Y') + "\n" + kHeading + total("0") + change() + kOverwrite);
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(exists(kit.dir / "c:/base"));
    EXPECT_NE(r.out.find("\nEND of VELK & VOLK Installation Program.\n\n"), std::string::npos);
}

TEST(Selection, RefusedPathIsAskedAgainWithItselfAsDefault) {
    Kit kit({{"base", "/base", 1, 1024}}, {{0, "a.txt", "a"}});
    write_file(kit.dir / "c:/blocked", "a file");
    RunResult r = kit.install("e\n/blocked/sub\n\n/good\n\n\n");
    const std::string refused = "\nError: 'c:/blocked' is an existing file, not a directory\nbad path c:/blocked/sub/\n";
    EXPECT_EQ(dialogue_of(r.out), "\n" + ask_package("base", "1", 'Y') + ask_path("/base/") + refused +
                                      ask_path("/blocked/sub/") + refused + ask_path("/blocked/sub/") + kHeading +
                                      line("1", "base", "c:/good/") + total("1") + change() + kOverwrite);
    EXPECT_EQ(read_file(kit.dir / "c:/good/a.txt"), "a");
}

TEST(Selection, DirectoryThatCannotBeCreated) {
    Kit kit({{"base", "/base", 1, 1024}});
    // No folder "x:": the package directory under it cannot be made.
    RunResult r = kit.install("e\n\n/ok\n\n\n", "x");
    EXPECT_NE(r.out.find(ask_path("/base/") + "\nError: cannot create directory 'x:/base'\nbad path x:/base/\n" +
                         ask_path("/base/") + "\nError: cannot create directory 'x:/ok'\nbad path x:/ok/\n"),
              std::string::npos);
    EXPECT_EQ(r.status, 255);  // the answers ran out at the third asking
}

TEST(Selection, PathWithoutLeadingSeparatorIsAcceptedUntouched) {
    Kit kit({{"base", "/base", 1, 1024}});
    RunResult r = kit.install("e\nrel\n\n\n");
    EXPECT_NE(r.out.find(line("1", "base", "c:rel/")), std::string::npos);
    EXPECT_EQ(r.out.find("bad path"), std::string::npos);
    EXPECT_FALSE(exists(kit.dir / "c:rel"));
    EXPECT_EQ(r.status, 0);
}

TEST(Selection, ChangingTheSelectionStartsFromTheLastAnswers) {
    Kit kit({{"base", "/base", 1, 1024}, {"extra", "/extra", 0, 2048}}, {{0, "a", "a"}, {1, "b", "b"}});
    // Pass 1: decline base, take extra under /two; change: yes.
    // Pass 2: Enter everywhere keeps those answers.
    RunResult r = kit.install("e" "n" "y/two\n" "y" "\n" "\n\n" "\n" "\n");
    EXPECT_EQ(dialogue_of(r.out), "\n" + ask_package("base", "1", 'Y') + "\n" + ask_package("extra", "2", 'N') +
                                      ask_path("/extra/") + kHeading + line("2", "extra", "c:/two/") + total("2") +
                                      change() + "\n" + ask_package("base", "1", 'N') + "\n" +
                                      ask_package("extra", "2", 'Y') + ask_path("/two/") + kHeading +
                                      line("2", "extra", "c:/two/") + total("2") + change() + kOverwrite);
    EXPECT_FALSE(exists(kit.dir / "c:/base/a"));
    EXPECT_EQ(read_file(kit.dir / "c:/two/b"), "b");
}

TEST(Selection, OverlongAnswerKeepsItsFirst125Characters) {
    Kit kit({{"one", "/one", 1, 0}, {"two", "/two", 1, 0}});
    std::string answer = "/" + std::string(199, 'a') + "\n";
    RunResult r = kit.install("e\n" + answer + "\n\n\n\n");
    std::string kept = "/" + std::string(123, 'a') + "/";
    // The rest of the long line is not the next package's answer.
    EXPECT_NE(r.out.find(line("0", "one", "c:" + kept) + line("0", "two", "c:/two/")), std::string::npos);
    EXPECT_TRUE(is_directory(kit.dir / ("c:" + kept)));
    EXPECT_EQ(r.status, 0);
}

TEST(Selection, FullPathOver127CharactersIsRefused) {
    Kit kit({{"one", "/one", 1, 0}});
    ::mkdir((kit.dir / "xy:").c_str(), 0755);
    std::string typed = "/" + std::string(123, 'b');  // with "xy:" and "/": 128 characters
    RunResult r = kit.install("e\n" + typed + "\n/fine\n\n\n", "xy:");
    EXPECT_NE(r.out.find(ask_path("/one/") + "bad path xy:" + typed + "/\n" + ask_path(typed + "/")), std::string::npos);
    EXPECT_FALSE(exists(kit.dir / ("xy:/" + std::string(123, 'b'))));
    EXPECT_TRUE(is_directory(kit.dir / "xy:/fine"));
    EXPECT_EQ(r.status, 0);
}

}  // namespace
