// The three reading steps on whole catalogs: the header's fixed-width quirks,
// every refusal with its message and numbers, and what a good catalog loads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/catalog.h"
#include "tests/catalog/catalog_fixture.h"
#include "tests/support/tempdir.h"

using namespace catalog_fixture;

namespace {

std::string lines(int n, long package = 0) {
    std::string s;
    for (int i = 0; i < n; ++i) s += file_line(package, "f" + std::to_string(i));
    return s;
}

std::string to_crlf(const std::string& lf) {
    std::string s;
    for (char c : lf) {
        if (c == '\n') s += '\r';
        s += c;
    }
    return s;
}

// --- The header ------------------------------------------------------------

struct HeaderCase {
    const char* name;
    std::string text;
    CatalogHeader expected;
};

CatalogHeader read_header(const std::string& text) {
    testing_support::TempDir dir;
    testing_support::write_file(dir / "CATALOG.DAT", text);
    Catalog c;
    c.catalog_name = dir / "CATALOG.DAT";
    EXPECT_TRUE(open_catalog(c));
    parse_catalog_header(c);
    return c.header;
}

std::string blanks(std::size_t n) { return std::string(n, ' '); }

TEST(CatalogHeader, FixedWidthLinesWithTheirQuirks) {
    const std::string lic = fixed_line("Test Licensee Ltd", 40);
    const std::string kit = fixed_line("Test kit 1.0", 40);
    const std::string vol = fixed_line("VOL", 20);
    const std::string padded_type = "TEST KIT" + blanks(12);
    const std::string padded_lic = "Test Licensee Ltd" + blanks(23);
    const std::string padded_kit = "Test kit 1.0" + blanks(28);
    const HeaderCase cases[] = {
        {"lines of exactly their widths", header(), {padded_type, padded_lic, padded_kit, "VOL"}},
        {"crlf line ends", to_crlf(header()), {padded_type, padded_lic, padded_kit, "VOL"}},
        // Line 1 short: its line end stays in `type` and line 2 loses its
        // first character, so line 2 is short of 40 by one and its line end
        // stays too; the number of line 3 loses its digit and is not read.
        {"short line 1 shifts what follows",
         "SHORT\nXLicensee" + blanks(31) + "\n1\n" + kit + vol,
         {"SHORT\n", "Licensee" + blanks(31) + "\n", padded_kit, "VOL"}},
        // Line 1 long: the character after 20 is dropped and the rest of the
        // line is read as line 2.
        {"long line 1 becomes line 2",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ\n7\n" + kit + vol,
         {"ABCDEFGHIJKLMNOPQRST", "VWXYZ\n", padded_kit, "VOL"}},
        // Line 4's leading blanks go with line 3's trailing skip; the line is
        // then short, keeps its line end, and line 5 loses its "V".
        {"line 4 beginning with blanks",
         fixed_line("TEST KIT", 20) + lic + "1\n" + "   Kit" + blanks(34) + "\n" + vol,
         {padded_type, padded_lic, "Kit" + blanks(34) + "\n", "OL"}},
        {"line 5 with no blank", fixed_line("TEST KIT", 20) + lic + "1\n" + kit + "ABCDEFGHIJKLMNOPQRST\n",
         {padded_type, padded_lic, padded_kit, "ABCDEFGHIJKLMNOPQRST"}},
        {"line 5 beginning with a blank", fixed_line("TEST KIT", 20) + lic + "1\n" + kit + fixed_line(" VOL", 20),
         {padded_type, padded_lic, padded_kit, ""}},
        {"line 5 short with no blank keeps its line end", fixed_line("TEST KIT", 20) + lic + "1\n" + kit + "VOL\n",
         {padded_type, padded_lic, padded_kit, "VOL\n"}},
        {"a signed line 3 and its blanks", fixed_line("TEST KIT", 20) + lic + "  -42  \n\n" + kit + vol,
         {padded_type, padded_lic, padded_kit, "VOL"}},
        {"the end after line 2", fixed_line("TEST KIT", 20) + lic, {padded_type, padded_lic, "", ""}},
        {"the end inside line 1", "TEST", {"TEST", "", "", ""}},
        {"an empty catalog", "", {"", "", "", ""}},
        {"ctrl-z inside line 2", fixed_line("TEST KIT", 20) + "Lic\x1A" + blanks(30), {padded_type, "Lic", "", ""}},
        {"a nul ends a header text", fixed_line(std::string("TY\0PE", 5), 20) + lic + "1\n" + kit + vol,
         {"TY", padded_lic, padded_kit, "VOL"}},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogHeader h = read_header(c.text);
        EXPECT_EQ(h.type, c.expected.type);
        EXPECT_EQ(h.licensee, c.expected.licensee);
        EXPECT_EQ(h.kit, c.expected.kit);
        EXPECT_EQ(h.volume_prefix, c.expected.volume_prefix);
    }
}

// --- Refusals ----------------------------------------------------------------

struct BadCase {
    const char* name;
    std::string text;
    MsgKey key;
    std::int32_t number = 0;
    std::int32_t capacity = 0;
};

TEST(CatalogRefusals, EachMalformedCatalogGetsItsMessage) {
    const std::string h = header();
    const std::string p = package_line("p0", "/p0");
    const BadCase cases[] = {
        // The package count.
        {"end of file before the count", h, MSG_UNEXPECTED_EOF},
        {"only white space before the end", h + " \n\t\r\n\n", MSG_UNEXPECTED_EOF},
        {"a word for the count", h + "two\n" + p, MSG_NO_PACKAGE_COUNT},
        {"a sign with no digit for the count", h + "-\n1\n" + p, MSG_NO_PACKAGE_COUNT},
        {"a sign and the end", h + "+", MSG_NO_PACKAGE_COUNT},
        {"a count beyond 32 bits", h + "99999999999\n" + p, MSG_NO_PACKAGE_COUNT},
        {"16 packages", catalog(16), MSG_TOO_MANY_PACKAGES, 16, 15},
        {"a large count", h + "2147483647\n", MSG_TOO_MANY_PACKAGES, 2147483647, 15},
        {"no packages", h + "0\n", MSG_NO_PACKAGES},
        {"a negative count", h + "-3\n" + p, MSG_NO_PACKAGES},
        // The package lines.
        {"too few package lines", h + "3\n" + p + p, MSG_UNEXPECTED_EOF},
        {"too few package lines, blank lines after", h + "2\n" + p + "\n\n  \n", MSG_UNEXPECTED_EOF},
        {"a package line of three fields at the end", h + "1\np0 /p0 1\n", MSG_BAD_PACKAGE_LINE},
        {"a package line of one field", h + "1\np0\n", MSG_BAD_PACKAGE_LINE},
        {"a word for selected", h + "1\np0 /p0 yes 1024\n", MSG_BAD_PACKAGE_LINE},
        {"a word for the size", h + "1\np0 /p0 1 big\n", MSG_BAD_PACKAGE_LINE},
        {"a bare sign for the size", h + "1\np0 /p0 1 - 5\n", MSG_BAD_PACKAGE_LINE},
        {"a package name of 21 characters", h + "1\n" + package_line(std::string(21, 'n'), "/p0"),
         MSG_BAD_PACKAGE_LINE},
        {"a package path of 130 characters", h + "1\n" + package_line("p0", "/" + std::string(129, 'd')),
         MSG_BAD_PACKAGE_LINE},
        {"a size beyond 32 bits", h + "1\np0 /p0 1 2147483648\n", MSG_BAD_PACKAGE_LINE},
        {"selected below 32 bits", h + "1\np0 /p0 -2147483649 10\n", MSG_BAD_PACKAGE_LINE},
        {"at capacity, then a bad line", h + "15\n" + p + "p1 /p1 x 1\n", MSG_BAD_PACKAGE_LINE},
        // The file lines.
        {"a file line with a missing field", catalog(1, "0 0 5 5 1 0 0\n"), MSG_BAD_FILE_LINE},
        {"a file line with its name on no line", catalog(1, "0 0 5 5 1 0 0\n\n"), MSG_BAD_FILE_LINE},
        {"a word for a number", catalog(1, "0 0 five 5 1 0 0 a.txt\n"), MSG_BAD_FILE_LINE},
        {"a bad line after good ones", catalog(1, lines(3) + "0 0 5 5 1 x 0 b\n"), MSG_BAD_FILE_LINE},
        {"text after the last file line", catalog(1, lines(2) + "end\n"), MSG_BAD_FILE_LINE},
        {"package -1", catalog(2, lines(1) + file_line(-1, "x")), MSG_BAD_PACKAGE_NUMBER, -1},
        {"package equal to the count", catalog(2, lines(1) + file_line(2, "x")), MSG_BAD_PACKAGE_NUMBER, 2},
        {"a file name of 128 characters", catalog(1, file_line(0, std::string(128, 'f'))), MSG_BAD_FILE_LINE},
        {"an offset beyond 32 bits", catalog(1, "0 0 5 5 1 4294967296 0 a\n"), MSG_BAD_FILE_LINE},
        {"a size below 32 bits", catalog(1, "0 0 -2147483649 5 1 0 0 a\n"), MSG_BAD_FILE_LINE},
        {"a nul in a file name", catalog(1, file_line(0, std::string("a\0b", 3))), MSG_BAD_FILE_LINE},
        // A line that does not read is refused before its package is judged.
        {"a bad name and a bad package", catalog(1, file_line(7, "../x")), MSG_BAD_FILE_LINE},
        // 500 lines fill the table; the 501st is refused unread, so even a
        // line that would not read at all gets the capacity message.
        {"a 501st file line", catalog(1, lines(501)), MSG_TOO_MANY_FILES, 501, 500},
        {"a 501st line of rubbish", catalog(1, lines(500) + "rubbish\n"), MSG_TOO_MANY_FILES, 501, 500},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        Read r = read(c.text);
        ASSERT_TRUE(r.problem.has_value());
        EXPECT_EQ(r.problem->key, c.key) << describe(*r.problem, r.catalog, English);
        EXPECT_EQ(r.problem->number, c.number);
        EXPECT_EQ(r.problem->capacity, c.capacity);
    }
}

// File names come from the kit: none may be written outside its package's
// directory, whichever separator it uses.
TEST(CatalogRefusals, FileNamesThatLeaveThePackageDirectory) {
    const std::vector<std::string> refused = {
        "/etc/passwd", "\\autoexec.bat", "..", "../x", "..\\x", "a/../../x", "a\\..\\..\\x",
        "a/b/../../../x", "./../x", "a/..\\../x",
    };
    for (const std::string& name : refused) {
        SCOPED_TRACE(name);
        Read r = read(catalog(1, file_line(0, name)));
        ASSERT_TRUE(r.problem.has_value());
        EXPECT_EQ(r.problem->key, MSG_BAD_FILE_LINE);
    }
    const std::vector<std::string> accepted = {
        "a.txt", "a/b.txt", "a\\b.txt", "a/../b", "./x", "a/./b/../c", "a//b", "x..y", "...", "a/..",
    };
    for (const std::string& name : accepted) {
        SCOPED_TRACE(name);
        Read r = read(catalog(1, file_line(0, name)));
        EXPECT_FALSE(r.problem.has_value()) << describe(*r.problem, r.catalog, English);
        ASSERT_EQ(r.catalog.file_count, 1);
        EXPECT_EQ(r.catalog.files[0].name, name);
    }
}

// --- What loads ----------------------------------------------------------------

TEST(CatalogLoad, FieldsLandInTheirRecords) {
    Read r = read(header() + "2\n" + "base /usr/base 0 123456\n" + "docs \\doc\\ -1 7\n" +
                  "1 1 2000 900 2 4096 99 sub/readme.txt\n" + "0 0 -5 2147483647 -2147483648 0 0 a\n");
    ASSERT_FALSE(r.problem.has_value()) << describe(*r.problem, r.catalog, English);
    EXPECT_FALSE(r.at_capacity);
    const Catalog& c = r.catalog;
    ASSERT_EQ(c.package_count, 2);
    ASSERT_EQ(c.packages.size(), 2u);
    EXPECT_EQ(c.packages[0].name, "base");
    EXPECT_EQ(c.packages[0].path, "/usr/base/");
    EXPECT_EQ(c.packages[0].selected, 0);  // the third field
    EXPECT_EQ(c.packages[0].size, 123456);  // the fourth
    // The "/" goes on even after a separator already there.
    EXPECT_EQ(c.packages[1].path, "\\doc\\/");
    EXPECT_EQ(c.packages[1].selected, -1);
    ASSERT_EQ(c.file_count, 2);
    const FileRecord& f = c.files[0];
    EXPECT_EQ(f.package, 1);
    EXPECT_EQ(f.compressed, 1);
    EXPECT_EQ(f.output_size, 2000);
    EXPECT_EQ(f.stored_size, 900);
    EXPECT_EQ(f.disk, 2);
    EXPECT_EQ(f.offset, 4096);
    EXPECT_EQ(f.spare, 99);
    EXPECT_EQ(f.name, "sub/readme.txt");
    EXPECT_EQ(c.files[1].output_size, -5);
    EXPECT_EQ(c.files[1].stored_size, 2147483647);
    EXPECT_EQ(c.files[1].disk, -2147483647 - 1);
    // The file table closes the catalog.
    EXPECT_EQ(c.stream, nullptr);
}

TEST(CatalogLoad, PathEndingInSlashGetsAnotherOne) {
    Read r = read(header() + "1\np0 dir/ 1 1\n");
    ASSERT_FALSE(r.problem.has_value());
    EXPECT_EQ(r.catalog.packages[0].path, "dir//");
}

TEST(CatalogLoad, FieldsAtTheirLimitsLoad) {
    const std::string name(20, 'n'), path(129, 'p'), file(127, 'f');
    Read r = read(header() + "1\n" + package_line(name, path) + file_line(0, file));
    ASSERT_FALSE(r.problem.has_value()) << describe(*r.problem, r.catalog, English);
    EXPECT_EQ(r.catalog.packages[0].name, name);
    EXPECT_EQ(r.catalog.packages[0].path, path + "/");
    EXPECT_EQ(r.catalog.files[0].name, file);
}

TEST(CatalogLoad, FifteenPackagesLoadWithTheWarning) {
    Read r = read(catalog(15, file_line(14, "last")));
    ASSERT_FALSE(r.problem.has_value());
    EXPECT_TRUE(r.at_capacity);
    EXPECT_EQ(r.catalog.package_count, 15);
    EXPECT_EQ(r.catalog.files[0].package, 14);
    EXPECT_FALSE(read(catalog(14)).at_capacity);
}

TEST(CatalogLoad, FiveHundredFileLinesFillTheTable) {
    Read r = read(catalog(1, lines(500)));
    ASSERT_FALSE(r.problem.has_value());
    EXPECT_EQ(r.catalog.file_count, 500);
    EXPECT_EQ(r.catalog.files.back().name, "f499");
}

// The line structure is a convention of the writer: fields are only white
// space apart, a number may run straight into the text that follows, and
// the file table ends where only white space is left.
struct LayoutCase {
    const char* name;
    std::string text;
    int files;
};

TEST(CatalogLoad, LayoutsThatReadTheSame) {
    const std::string h = header();
    const LayoutCase cases[] = {
        {"no file lines", catalog(1), 0},
        {"no file lines, no final line end", h + "1\np0 /p0 1 1", 0},
        {"blank lines after the last file line", catalog(1, lines(2) + "\n\n \t \n\n"), 2},
        {"no line end after the last file line", catalog(1, "0 0 5 5 1 0 0 a"), 1},
        {"a package line split over lines", h + "1\np0\n/p0\n1\n\n1024\n" + lines(1), 1},
        {"a count running into the name", h + "1p0 /p0 1 1\n" + lines(1), 1},
        {"tabs and several blanks", h + "1\n\tp0 \t /p0  1\t1\n" + "0\t0 5 5 1 0 0\t\ta\n", 1},
        {"ctrl-z after the last line", catalog(1, lines(2)) + "\x1A" "rubbish\n", 2},
        {"ctrl-z ending the last name", catalog(1, lines(1) + "0 0 5 5 1 0 0 last\x1A" "more"), 2},
        {"crlf throughout", to_crlf(catalog(2, lines(3, 1))), 3},
        {"crlf and ctrl-z", to_crlf(catalog(2, lines(3, 1))) + "\x1A", 3},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        Read r = read(c.text);
        ASSERT_FALSE(r.problem.has_value()) << describe(*r.problem, r.catalog, English);
        EXPECT_EQ(r.catalog.file_count, c.files);
        EXPECT_EQ(r.catalog.packages[0].path, "/p0/");
        EXPECT_EQ(r.catalog.stream, nullptr);
    }
}

TEST(CatalogLoad, CrlfCatalogReadsLikeTheLfOne) {
    const std::string lf = catalog(3, lines(4, 2) + file_line(0, "dir\\x.dat", 77, 12));
    Read a = read(lf), b = read(to_crlf(lf)), z = read(to_crlf(lf) + "\x1A\r\njunk");
    for (const Read* r : {&b, &z}) {
        ASSERT_FALSE(r->problem.has_value());
        EXPECT_EQ(r->catalog.header.type, a.catalog.header.type);
        EXPECT_EQ(r->catalog.header.licensee, a.catalog.header.licensee);
        EXPECT_EQ(r->catalog.header.kit, a.catalog.header.kit);
        EXPECT_EQ(r->catalog.header.volume_prefix, a.catalog.header.volume_prefix);
        ASSERT_EQ(r->catalog.file_count, a.catalog.file_count);
        for (int i = 0; i < a.catalog.package_count; ++i)
            EXPECT_EQ(r->catalog.packages[i].path, a.catalog.packages[i].path);
        for (int i = 0; i < a.catalog.file_count; ++i) {
            EXPECT_EQ(r->catalog.files[i].name, a.catalog.files[i].name);
            EXPECT_EQ(r->catalog.files[i].offset, a.catalog.files[i].offset);
        }
    }
}

TEST(CatalogOpen, LowerCaseTwinIsOpenedAndTheNameKept) {
    testing_support::TempDir dir;
    testing_support::write_file(dir / "catalog.dat", catalog(1));
    Catalog c;
    c.catalog_name = dir / "CATALOG.DAT";
    ASSERT_TRUE(open_catalog(c));
    EXPECT_EQ(c.catalog_name, dir / "CATALOG.DAT");
    parse_catalog_header(c);
    EXPECT_EQ(c.header.volume_prefix, "VOL");
}

TEST(CatalogOpen, TwoTwinsOrNoneDoNotOpen) {
    testing_support::TempDir dir;
    Catalog c;
    c.catalog_name = dir / "CATALOG.DAT";
    EXPECT_FALSE(open_catalog(c));
    testing_support::write_file(dir / "catalog.dat", catalog(1));
    testing_support::write_file(dir / "Catalog.Dat", catalog(1));
    EXPECT_FALSE(open_catalog(c));
}

TEST(CatalogDescribe, MessagesNameTheCatalogAndShowTheirNumbers) {
    Catalog c;
    EXPECT_EQ(describe({MSG_BAD_FILE_LINE}, c, English),
              "\nError: Trouble reading package number and/or file specification from the file 'CATALOG.DAT'.\n");
    EXPECT_EQ(describe({MSG_TOO_MANY_FILES, 501, 500}, c, English),
              "\nError: The number of files (501) is greater than program capacity (500).\n");
    EXPECT_EQ(describe({MSG_TOO_MANY_FILES, 501, 500}, c, French),
              "\nErreur: Le nombre de fichiers (501) est sup\x82rieur \x85 la capacit\x82 du programme.\n");
    EXPECT_EQ(describe({MSG_BAD_PACKAGE_NUMBER, -1}, c, English), "\nError: '-1' is an invalid package number.\n");
    EXPECT_EQ(describe({MSG_NO_PACKAGE_COUNT}, c, French),
              "\nErreur: Aucune valeur attribu\x82" "e pour le nombre de progiciels.");
}

}  // namespace
