// The installer's dialogue through the real program in scripted mode
// (answers on standard input), standard output compared byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include "tests/support/kit.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

using namespace testing_support;

namespace {

const std::string kStatusLine = "\t\t\t\t\t\t\t\t\t       \r";

std::string banner_text() {
    std::string top = "\t\xC9" + std::string(63, '\xCD') + "\xBB\n";
    std::string empty = "\t\xBA\t\t\t\t\t\t\t\t\xBA\n";
    std::string bottom = "\t\xC8" + std::string(63, '\xCD') + "\xBC\n";
    return std::string(13, '\n') + top + empty + empty +
           "\t\xBA      Welcome to the VELK & VOLK Installation Program.         \xBA\n" + empty +
           "\t\xBA     Bienvenue au programme d'installation de la BD/VOLK.      \xBA\n" + empty + empty + bottom +
           std::string(7, '\n');
}

const std::string kLanguageQuestion =
    "Please enter 'E' for English dialogue.\n"
    "S.V.P entrez la lettre 'F' pour le dialogue fran\x87" "ais.\n";

const std::string kIntroEn =
    "\nThis program will allow the installation of one or more packages\n"
    "and the option of changing the destination path for file packages.\n\n";
const std::string kIntroFr =
    "\nAvec ce programme on peut installer plusieurs progiciels\n"
    "et changer le r\x82pertoire de destination pour les fichiers des progiciels.\n\n";

const std::string kClosingEn = "\r" + kStatusLine + "\r\nFinished installation of selected packages.\n" +
                               "\nRemember to set the VOLK and VELK environment variables!\n" +
                               "\nEND of VELK & VOLK Installation Program.\n\n";
const std::string kClosingFr = "\r" + kStatusLine + "\r\nLa d\x82" "condensation des parties choisis est termin\x82" "e.\n" +
                               "\nN'oubliez pas de sauvegarder les variables d'environnement VOLK et VELK!\n" +
                               "\nFIN du programme d'installation de la VELK et du VOLK.\n\n";

// The opening every run that gets past the language question shows.
std::string opening(const std::string& intro, int extra_questions = 0) {
    std::string s = banner_text();
    for (int i = 0; i <= extra_questions; ++i) s += kLanguageQuestion + "\n";
    return s + intro;
}

// A kit of one package "base" (path /base, 12288 bytes promised) holding one
// stored five-byte file.
struct OneFileKit {
    TempDir dir;
    OneFileKit() {
        KitHeader h;
        h.type = "DEMO";
        h.licensee = "ACME Licensing";
        h.kit = "Demo kit";
        StoredKit kit = stored_kit(h, {{"base", "/base", 1, 12288}}, {{0, "a.txt", "hello"}});
        write_kit(dir.path(), kit);
    }
    RunResult install(const std::string& dest, const std::string& answers) {
        RunOptions o;
        o.cwd = dir.path();
        return run({INSTALL_BIN, dest}, answers, o);
    }
};

const std::string kHeaderEn = "Type:     DEMO                \n"
                              "Kit:      Demo kit                                \n"
                              "Licensee: ACME Licensing                          \n";
const std::string kHeaderFr = "Type:     DEMO                \n"
                              "Trousse:  Demo kit                                \n"
                              "D\x82tenteur du permis d'utilisation: ACME Licensing                          \n";

std::string status_display(const std::string& path) {
    std::string s(12, ' ');
    s += path;
    if (path.size() < 67) s += std::string(67 - path.size(), ' ');
    return s + "\r";
}

TEST(Usage, WrongArgumentsPrintOnlyTheUsageLine) {
    const std::vector<std::vector<std::string>> cases = {
        {INSTALL_BIN},
        {INSTALL_BIN, "c", "d"},
        {INSTALL_BIN, std::string(128, 'x')},
    };
    for (const auto& argv : cases) {
        RunResult r = run(argv, "e\n\n\n\n");
        EXPECT_EQ(r.out, "usage: install <destination drive>\n") << argv.size();
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 255);
    }
}

TEST(Usage, A127CharacterArgumentIsAccepted) {
    TempDir dir;  // no catalog: the run ends at the disk request, past the banner
    RunOptions o;
    o.cwd = dir.path();
    RunResult r = run({INSTALL_BIN, std::string(127, 'x')}, "e", o);
    EXPECT_EQ(r.out.substr(0, 348), banner_text());
    EXPECT_EQ(r.status, 255);
}

TEST(Dialogue, WholeRunInEnglish) {
    OneFileKit kit;
    ASSERT_TRUE(is_directory(kit.dir.path()));
    ASSERT_EQ(::mkdir((kit.dir / "c:").c_str(), 0755), 0);
    RunResult r = kit.install("c", "e\n\n\n\n");
    std::string expected = opening(kIntroEn) + kHeaderEn + "\n" +
                           "\nDo you wish to install the 'base' package (12K) [Y] ? " +
                           "\nDefault or new installation path [/base/\b] ? " +
                           "\n   Size Package               Installation Path\n"
                           "   ---- -------               -----------------\n" +
                           "    12K base                  c:/base/\n" + " ------\n    12K\n" +
                           "\nDo you wish to change any of the above selections [N] ? " +
                           "\nDo you wish to be prompted before an existing file is replaced [Y] ? " + "\n" + "\n\n" +
                           status_display("c:/base/a.txt") + "reading:    \r" + "writing:    \r" + "created:    \r" +
                           kClosingEn;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(kit.dir / "c:/base/a.txt"), "hello");
    EXPECT_EQ(mode_of(kit.dir / "c:/base/a.txt") & 0222, 0u);
}

TEST(Dialogue, WholeRunInFrench) {
    OneFileKit kit;
    ASSERT_EQ(::mkdir((kit.dir / "c:").c_str(), 0755), 0);
    RunResult r = kit.install("c:", "f\n\n\n\n");
    std::string expected = opening(kIntroFr) + kHeaderFr + "\n" + "\nD\x82sirez-vous installer la partie 'base' (12K) [O] ? " +
                           "\nAffectation implicite ou nouveau parcours d'installation [/base/\b] ?" +
                           "\n Grandeur Progiciel           Parcours d'installation\n"
                           " -------- ---------           -----------------------\n" +
                           "    12K base                  c:/base/\n" + " ------\n    12K\n" +
                           "\nD\x82sirez-vous changer une des s\x82lections ci-dessus [N] ? " +
                           "\nD\x82sirez-vous que l'ordinateur vous demande l'autorisation avant de remplacer un fichier "
                           "existant [O] ? " +
                           "\n" + "\n\n" + status_display("c:/base/a.txt") + "lecture:    \r" + "\x82" "criture:   \r" +
                           "cr\x82\x82:       \r" + kClosingFr;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.status, 0);
}

TEST(Dialogue, LanguageQuestionRepeatsOnAnyOtherKey) {
    OneFileKit kit;
    // x, Enter, and the three codes of a cursor key: five more questions.
    RunResult r = kit.install("d", "x\n\x1b[Ae");
    EXPECT_EQ(r.out.substr(0, opening(kIntroEn, 5).size()), opening(kIntroEn, 5));
    RunResult lower = kit.install("d", "F");
    EXPECT_EQ(lower.out.substr(0, opening(kIntroFr).size()), opening(kIntroFr));
}

TEST(Dialogue, DestinationDriveRule) {
    struct Case {
        std::string argument;
        std::string shown;
    };
    const Case cases[] = {{"c", "c:"}, {"C", "C:"}, {"c:", "c:"}, {"cd", "cd"}, {"5", "5"}};
    for (const Case& c : cases) {
        OneFileKit kit;
        ASSERT_EQ(::mkdir((kit.dir / c.shown).c_str(), 0755), 0);
        RunResult r = kit.install(c.argument, "e\n\n\n\n");
        EXPECT_NE(r.out.find("    12K base                  " + c.shown + "/base/\n"), std::string::npos) << c.argument;
        EXPECT_EQ(r.status, 0) << c.argument;
        EXPECT_EQ(read_file(kit.dir / (c.shown + "/base/a.txt")), "hello");
    }
}

// The package question answered with the given keys (then, for a yes, the
// path line): what follows the question, and whether the file got installed.
TEST(Dialogue, YesNoKeys) {
    struct Case {
        std::string lang;
        std::string keys;  // after the language key
        std::string after_question;
        bool installed;
    };
    const std::string en_retry = "\nEnter Y or N: ";
    const std::string fr_retry = "\nAppuyez sur O ou sur N: ";
    const Case cases[] = {
        {"e", "\r\n", "[Y] ? \nDefault", true},
        {"e", "\n\n", "[Y] ? \nDefault", true},
        {"e", "y\n", "[Y] ? \nDefault", true},
        {"e", "Y\n", "[Y] ? \nDefault", true},
        {"e", "o\n", "[Y] ? \nDefault", true},
        {"e", "O\n", "[Y] ? \nDefault", true},
        {"e", "n", "[Y] ? \n\n   Size", false},
        {"e", "N", "[Y] ? \n\n   Size", false},
        {"e", "x1n", "[Y] ? " + en_retry + en_retry + "\n\n   Size", false},
        {"e", "\x1b[Ay\n", "[Y] ? " + en_retry + en_retry + en_retry + "\nDefault", true},
        {"f", "y\n", "[O] ? \nAffectation", true},
        {"f", "n", "[O] ? \n\n Grandeur", false},
        {"f", "?o\n", "[O] ? " + fr_retry + "\nAffectation", true},
    };
    for (const Case& c : cases) {
        OneFileKit kit;
        ASSERT_EQ(::mkdir((kit.dir / "c:").c_str(), 0755), 0);
        RunResult r = kit.install("c", c.lang + c.keys + "\n\n");
        std::size_t at = r.out.find("(12K) ");
        ASSERT_NE(at, std::string::npos) << c.keys;
        EXPECT_EQ(r.out.substr(at + 6, c.after_question.size()), c.after_question) << c.lang << " " << c.keys;
        EXPECT_EQ(exists(kit.dir / "c:/base/a.txt"), c.installed) << c.keys;
        EXPECT_EQ(r.status, 0) << c.keys;
    }
}

TEST(Dialogue, DefaultNoHintAndEnterKeepsIt) {
    TempDir dir;
    StoredKit kit = stored_kit({}, {{"extra", "/extra", 0, 2048}}, {{0, "x.dat", "x"}});
    write_kit(dir.path(), kit);
    RunOptions o;
    o.cwd = dir.path();
    RunResult r = run({INSTALL_BIN, "c"}, "e\n\n\n", o);
    EXPECT_NE(r.out.find("'extra' package (2K) [N] ? \n\n   Size"), std::string::npos);
    EXPECT_NE(r.out.find(" ------\n     0K\n"), std::string::npos);
    EXPECT_EQ(r.status, 0);
}

TEST(Dialogue, EndOfAnswersEndsTheRun) {
    OneFileKit kit;
    struct Case {
        std::string input;
        std::string tail;
    };
    const Case cases[] = {
        {"", kLanguageQuestion + "\nError: The answers ended before the installation was complete.\n"},
        {"e", "(12K) [Y] ? \nError: The answers ended before the installation was complete.\n"},
        {"f", "(12K) [O] ? \nErreur: Les r\x82ponses se sont termin\x82" "es avant la fin de l'installation.\n"},
        {"ey", "[/base/\b] ? \nError: The answers ended before the installation was complete.\n"},
    };
    for (const Case& c : cases) {
        RunResult r = kit.install("c", c.input);
        ASSERT_GE(r.out.size(), c.tail.size());
        EXPECT_EQ(r.out.substr(r.out.size() - c.tail.size()), c.tail) << c.input;
        EXPECT_EQ(r.status, 255);
        EXPECT_FALSE(r.timed_out);
    }
}

}  // namespace
