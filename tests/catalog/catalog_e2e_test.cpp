// The installer on malformed and unusual catalogs, through the real program
// in scripted mode: every message of the catalog stages, in both languages,
// byte for byte, with the exit status -1 (255).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include "installer/messages.h"
#include "tests/catalog/catalog_fixture.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

using namespace catalog_fixture;
using namespace testing_support;

namespace {

const std::string kStatusLine = "\t\t\t\t\t\t\t\t\t       \r";
const std::string kIntro[2] = {
    "and the option of changing the destination path for file packages.\n\n",
    "et changer le r\x82pertoire de destination pour les fichiers des progiciels.\n\n",
};
const char* const kLanguageKey[2] = {"e", "f"};

// The header lines as the driver shows the fixture's default header.
std::string shown_header(Language l) {
    const std::string type = "TEST KIT" + std::string(12, ' ');
    const std::string kit = "Test kit 1.0" + std::string(28, ' ');
    const std::string lic = "Test Licensee Ltd" + std::string(23, ' ');
    if (l == English) return "Type:     " + type + "\n" + "Kit:      " + kit + "\n" + "Licensee: " + lic + "\n";
    return "Type:     " + type + "\n" + "Trousse:  " + kit + "\n" + "D\x82tenteur du permis d'utilisation: " + lic + "\n";
}

struct Installed {
    RunResult result;
    std::string after_intro;  // what followed the introduction
};

// `file_name` empty: no catalog at all.
Installed install_with(const std::string& catalog_bytes, Language l, const std::string& answers = "",
                       const std::string& file_name = "CATALOG.DAT") {
    TempDir dir;
    if (!file_name.empty()) write_file(dir / file_name, catalog_bytes);
    EXPECT_EQ(::mkdir((dir / "dest").c_str(), 0755), 0);  // the destination drive
    RunOptions o;
    o.cwd = dir.path();
    Installed r{run({INSTALL_BIN, "dest"}, kLanguageKey[l] + answers, o), {}};
    std::string::size_type at = r.result.out.find(kIntro[l]);
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos) r.after_intro = r.result.out.substr(at + kIntro[l].size());
    return r;
}

// One message of the catalog stages in its two languages.
struct Message {
    std::string text[2];
};

const Message kUnexpectedEof{{"\nError: Unexpected end of the file 'CATALOG.DAT'.\n",
                              "\nErreur: Fin inattendue du fichier 'CATALOG.DAT'.\n"}};
const Message kNoPackageCount{{"\nError: No value assigned to number of packages.\n",
                               "\nErreur: Aucune valeur attribu\x82" "e pour le nombre de progiciels."}};
const Message kTooManyPackages{{"\nError: The number of packages (16) is greater than program capacity (15).\n",
                                "\nErreur: Le nombre de progiciels (16) est sup\x82rieur \x85 la capacit\x82 du "
                                "programme (15).\n"}};
const Message kNoPackages{{"\nError: Surely the number of packages must be greater than zero.\n",
                           "\nErreur: Le nombre de progiciels doit certainement \x88tre sup\x82rieur \x85 z\x82ro.\n"}};
const Message kAtCapacity{{"Warning: The number of packages (15) equals the maximum capacity of the program (15).\n\n",
                           "Avertissement: Le nombre de progiciels (15) est \x82gal \x85 la capacit\x82 maximale du "
                           "programme (15).\n\n"}};
const Message kBadPackageLine{{"\nError: Trouble reading package name and/or source path from the file 'CATALOG.DAT'.\n",
                               "\nErreur: Difficult\x82 lors de la lecture du nom de la partie et/ou du r\x82pertoire de "
                               "destination \x85 partir du fichier 'CATALOG.DAT'.\n"}};
const Message kTooManyFiles{{"\nError: The number of files (501) is greater than program capacity (500).\n",
                             "\nErreur: Le nombre de fichiers (501) est sup\x82rieur \x85 la capacit\x82 du programme.\n"}};
const Message kBadFileLine{{"\nError: Trouble reading package number and/or file specification from the file "
                            "'CATALOG.DAT'.\n",
                            "\nErreur: Difficult\x82 lors de la lecture du num\x82ro de la partie et/ou des sp\x82"
                            "cifications du fichier \x85 partir du fichier 'CATALOG.DAT'.\n"}};
const Message kBadPackageNumber{{"\nError: '-1' is an invalid package number.\n",
                                 "\nErreur: '-1' est un num\x82ro de partie invalide.\n"}};
const Message kCannotOpen{{"\nError: Unable to open 'CATALOG.DAT'.\n", "\nErreur: Incapable d'ouvrir 'CATALOG.DAT'.\n"}};
const Message kInsertDisk1{{"\r" + kStatusLine + "\rPlease put disk 1 in disk drive and press any key to continue.",
                            "\r" + kStatusLine + "\rVeuillez mettre le disque 1 et poussez une cl\x82 pour poursuivre."}};

std::string file_lines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += file_line(0, "f" + std::to_string(i));
    return s;
}

// Problems met before the selection dialogue: the header is on screen, then
// the message, and nothing else.
struct EarlyCase {
    const char* name;
    std::string text;
    std::vector<const Message*> messages;
};

TEST(CatalogMessages, PackageTableProblemsFollowTheHeader) {
    const std::string h = header();
    const std::string p = package_line("p0", "/p0");
    const EarlyCase cases[] = {
        {"end of file before the count", h, {&kUnexpectedEof}},
        {"a word for the count", h + "many\n" + p, {&kNoPackageCount}},
        {"16 packages", catalog(16), {&kTooManyPackages}},
        {"no packages", h + "0\n", {&kNoPackages}},
        {"a negative count", h + "-1\n" + p, {&kNoPackages}},
        {"too few package lines", h + "2\n" + p, {&kUnexpectedEof}},
        {"a word for selected", h + "1\np0 /p0 yes 1\n", {&kBadPackageLine}},
        {"an overlong package name", h + "1\n" + package_line(std::string(21, 'n'), "/p0"), {&kBadPackageLine}},
        {"the warning, then a bad line", h + "15\n" + p + "p1 /p1 1\n", {&kAtCapacity, &kBadPackageLine}},
    };
    for (Language l : {English, French}) {
        for (const EarlyCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (l == English ? " (English)" : " (French)"));
            Installed r = install_with(c.text, l);
            std::string expected = shown_header(l);
            for (const Message* m : c.messages) expected += m->text[l];
            EXPECT_EQ(r.after_intro, expected);
            EXPECT_EQ(r.result.status, 255);
            EXPECT_EQ(r.result.err, "");
        }
    }
}

// Problems of the file table come after the selection dialogue, as the last
// thing printed; nothing is installed.
struct LateCase {
    const char* name;
    std::string body;
    const Message* message;
};

TEST(CatalogMessages, FileTableProblemsEndTheRunAfterTheSelection) {
    const LateCase cases[] = {
        {"a 501st file line", file_lines(501), &kTooManyFiles},
        {"a file line with a missing field", "0 0 5 5 1 0 0\n", &kBadFileLine},
        {"text after the last file line", file_lines(2) + "the end\n", &kBadFileLine},
        {"a name climbing out of its package", file_line(0, "../../outside"), &kBadFileLine},
        {"an offset beyond 32 bits", "0 0 5 5 1 9999999999 0 a\n", &kBadFileLine},
        {"package -1", file_lines(1) + file_line(-1, "x"), &kBadPackageNumber},
    };
    for (Language l : {English, French}) {
        for (const LateCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (l == English ? " (English)" : " (French)"));
            // Package p0 taken with its default path; no change; ask before replacing.
            Installed r = install_with(catalog(1, c.body), l, "\n\n\n\n");
            const std::string& m = c.message->text[l];
            ASSERT_GE(r.result.out.size(), m.size());
            EXPECT_EQ(r.result.out.substr(r.result.out.size() - m.size()), m);
            EXPECT_EQ(r.result.out.find(m), r.result.out.size() - m.size());  // once, at the end
            EXPECT_EQ(r.result.status, 255);
        }
    }
}

TEST(CatalogMessages, FifteenPackagesWarnAndGoOn) {
    for (Language l : {English, French}) {
        std::string body;
        std::string text = header() + "15\n";
        for (int i = 0; i < 15; ++i) text += package_line("p" + std::to_string(i), "/p" + std::to_string(i), 0);
        // Fifteen packages declined, no change, ask before replacing.
        Installed r = install_with(text, l, std::string(15, '\n') + "\n\n");
        EXPECT_EQ(r.after_intro.substr(0, shown_header(l).size() + kAtCapacity.text[l].size()),
                  shown_header(l) + kAtCapacity.text[l]);
        EXPECT_EQ(r.result.status, 0);
    }
}

// The header as read, quirks included, is what the driver shows.
TEST(CatalogMessages, HeaderShownAsRead) {
    const std::string lic = "Licensee" + std::string(31, ' ');
    const std::string kit = fixed_line("Test kit 1.0", 40);
    // Line 1 short: its line end shows, line 2 loses its first character.
    Installed shifted = install_with("SHORT\nX" + lic + "\n1\n" + kit + fixed_line("VOL", 20) + "0\n", English);
    EXPECT_EQ(shifted.after_intro, "Type:     SHORT\n\n"
                                   "Kit:      Test kit 1.0" + std::string(28, ' ') + "\n" +
                                   "Licensee: " + lic + "\n\n" + kNoPackages.text[English]);
    // The catalog ends inside the header: the fields after the end are empty.
    Installed cut = install_with("TEST", French);
    EXPECT_EQ(cut.after_intro, "Type:     TEST\nTrousse:  \nD\x82tenteur du permis d'utilisation: \n" +
                                   kUnexpectedEof.text[French]);
    EXPECT_EQ(cut.result.status, 255);
}

TEST(CatalogMessages, LowerCaseCatalogIsReadAndStillNamedInCapitals) {
    Installed r = install_with(header() + "1\np0\n", English, "", "catalog.dat");
    EXPECT_EQ(r.after_intro, shown_header(English) + kBadPackageLine.text[English]);
}

// Without a catalog the installer asks for disk 1 again and again; a script's
// keys run out, and that ends the run instead of a loop.
TEST(CatalogDiskRequest, MissingCatalogAsksForDiskOneUntilTheKeysRunOut) {
    for (Language l : {English, French}) {
        SCOPED_TRACE(l == English ? "English" : "French");
        Installed r = install_with("", l, "xy", "");
        const std::string request = kCannotOpen.text[l] + kInsertDisk1.text[l];
        const std::string blank = "\r" + kStatusLine + "\r";
        EXPECT_EQ(r.after_intro, request + blank + request + blank + request + msg(l, MSG_END_OF_INPUT));
        EXPECT_EQ(r.result.status, 255);
    }
}

TEST(CatalogDiskRequest, CatalogPutInDuringTheRequestIsRead) {
    TempDir dir;
    RunOptions o;
    o.cwd = dir.path();
    Child child({INSTALL_BIN, "dest"}, o);
    child.send("e");
    ASSERT_TRUE(child.wait_for("press any key to continue."));
    write_file(dir / "CATALOG.DAT", header() + "1\n" + package_line("p0", "/p0", 0));
    // Any key; then decline p0, keep the selection, ask before replacing.
    child.send("k\n\n\n");
    child.close_input();
    RunResult r = child.finish();
    const std::string& out = r.out;
    std::string::size_type at = out.find(kIntro[English]);
    ASSERT_NE(at, std::string::npos);
    std::string expected = kCannotOpen.text[English] + kInsertDisk1.text[English] + "\r" + kStatusLine + "\r" +
                           shown_header(English);
    EXPECT_EQ(out.substr(at + kIntro[English].size(), expected.size()), expected);
    EXPECT_EQ(r.status, 0);
}

// A real installation from catalogs that differ only in DOS text conventions.
TEST(CatalogConventions, CrlfAndCtrlZCatalogsInstallLikePlainOnes) {
    const std::string lf = header() + "1\nbase /base 1 5\n" + "0 0 5 5 1 0 0 sub\\a.txt\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string variants[] = {lf, crlf, crlf + "\x1A", crlf + "\x1A" "1 0 5 5 1 0 0 junk\r\n"};
    std::string first_out;
    for (const std::string& text : variants) {
        TempDir dir;
        write_file(dir / "CATALOG.DAT", text);
        write_file(dir / "VOL1.DAT", "hello");
        ASSERT_EQ(::mkdir((dir / "dest").c_str(), 0755), 0);
        RunOptions o;
        o.cwd = dir.path();
        RunResult r = run({INSTALL_BIN, "dest"}, "e\n\n\n\n", o);
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(read_file(dir / "dest/base/sub/a.txt"), "hello");
        if (first_out.empty()) first_out = r.out;
        EXPECT_EQ(r.out, first_out);
    }
}

}  // namespace
