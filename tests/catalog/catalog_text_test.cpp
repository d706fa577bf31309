// The catalog's text stream: DOS line ends and Ctrl-Z, and field reads that
// behave as the C library's fgets and fscanf did on the kit's own system.
#include <gtest/gtest.h>

#include <string>

#include "installer/catalog.h"
#include "installer/catalog_text.h"
#include "tests/support/tempdir.h"

using testing_support::TempDir;
using testing_support::write_file;

namespace {

class TextTest : public ::testing::Test {
protected:
    CatalogText& open(const std::string& bytes) {
        write_file(dir_ / "CATALOG.DAT", bytes);
        EXPECT_TRUE(text_.open(dir_ / "CATALOG.DAT"));
        return text_;
    }
    // Everything get() still returns, up to the end.
    std::string rest() {
        std::string s;
        for (int c = text_.get(); c != CatalogText::kEnd; c = text_.get()) s += static_cast<char>(c);
        return s;
    }

    TempDir dir_;
    CatalogText text_;
};

struct DosCase {
    const char* name;
    std::string raw;
    std::string read;
};

TEST_F(TextTest, DosTextConventions) {
    const std::size_t b = CatalogText::kBufferSize;
    const DosCase cases[] = {
        {"crlf becomes lf", "a\r\nb\r\n", "a\nb\n"},
        {"lone cr stays", "a\rb", "a\rb"},
        {"cr before crlf stays", "a\r\r\nb", "a\r\nb"},
        {"cr at the very end stays", "a\r", "a\r"},
        {"ctrl-z ends the text", std::string("a\n\x1A" "b\n"), "a\n"},
        {"cr before ctrl-z stays", std::string("a\r\x1A\n"), "a\r"},
        {"crlf split over two buffer fills", std::string(b - 1, 'x') + "\r\ny", std::string(b - 1, 'x') + "\ny"},
        {"lone cr at a buffer end", std::string(b - 1, 'x') + "\ry", std::string(b - 1, 'x') + "\ry"},
        {"nul and high bytes pass", std::string("\0\x82\xFF", 3), std::string("\0\x82\xFF", 3)},
    };
    for (const DosCase& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.raw);
        EXPECT_EQ(rest(), c.read);
        EXPECT_TRUE(text_.at_end());
        text_.close();
        text_ = CatalogText{};
    }
}

TEST_F(TextTest, EndOfFileIsSeenOnlyOnceAReadMeetsIt) {
    CatalogText& t = open("ab");
    EXPECT_EQ(t.get(), 'a');
    EXPECT_EQ(t.get(), 'b');
    EXPECT_FALSE(t.at_end());
    EXPECT_EQ(t.get(), CatalogText::kEnd);
    EXPECT_TRUE(t.at_end());
    EXPECT_EQ(t.get(), CatalogText::kEnd);
}

TEST_F(TextTest, OpenRefusesMissingNamesAndDirectories) {
    EXPECT_FALSE(text_.open(dir_ / "CATALOG.DAT"));
    testing_support::write_file(dir_ / "plain", "x");
    EXPECT_TRUE(text_.open(dir_ / "plain"));
    text_.close();
    EXPECT_FALSE(text_.open(dir_.path()));
}

struct NumberCase {
    const char* input;
    CatalogText::Field field;
    std::int32_t value;
    bool in_range;
    std::string rest;  // what the read left behind
};

TEST_F(TextTest, NumberFieldReadsLikeScanfPercentD) {
    using F = CatalogText::Field;
    const NumberCase cases[] = {
        {"12abc", F::ok, 12, true, "abc"},
        {" \t\n\v\f\r-7 x", F::ok, -7, true, " x"},
        {"+5", F::ok, 5, true, ""},
        {"007\n", F::ok, 7, true, "\n"},
        {"0x12", F::ok, 0, true, "x12"},
        {"2147483647", F::ok, 2147483647, true, ""},
        {"-2147483648", F::ok, -2147483647 - 1, true, ""},
        {"2147483648", F::ok, 0, false, ""},
        {"-2147483649", F::ok, 0, false, ""},
        {"123456789012345678901234567890 z", F::ok, 0, false, " z"},
        // A sign with no digit: a matching failure; the sign is gone, the
        // character after it stays.
        {"-x", F::mismatch, 0, false, "x"},
        {"+\n5", F::mismatch, 0, false, "\n5"},
        {"-", F::mismatch, 0, false, ""},
        {"abc", F::mismatch, 0, false, "abc"},
        {"  \n\n", F::end, 0, false, ""},
        {"", F::end, 0, false, ""},
        {"\x1A" "5", F::end, 0, false, ""},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(std::string("input \"") + c.input + "\"");
        CatalogText& t = open(c.input);
        std::int32_t value = 0;
        bool in_range = false;
        EXPECT_EQ(t.read_number(value, in_range), c.field);
        if (c.field == F::ok) {
            EXPECT_EQ(in_range, c.in_range);
            if (c.in_range) {
                EXPECT_EQ(value, c.value);
            }
        }
        EXPECT_EQ(rest(), c.rest);
        text_.close();
        text_ = CatalogText{};
    }
}

struct WordCase {
    std::string input;
    CatalogText::Field field;
    std::string word;
    std::string rest;
};

TEST_F(TextTest, TextFieldReadsLikeScanfPercentS) {
    using F = CatalogText::Field;
    const WordCase cases[] = {
        {"  abc def", F::ok, "abc", " def"},
        {"\n\tp\x82t\x88\r\n", F::ok, "p\x82t\x88", "\n"},
        {"a\rb", F::ok, "a", "\rb"},  // a lone carriage return is white space
        {std::string("name\x1A" "more"), F::ok, "name", ""},
        {"12abc", F::ok, "12abc", ""},
        {" \n ", F::end, "", ""},
    };
    for (const WordCase& c : cases) {
        SCOPED_TRACE(c.input);
        CatalogText& t = open(c.input);
        std::string word;
        EXPECT_EQ(t.read_text(word), c.field);
        if (c.field == F::ok) {
            EXPECT_EQ(word, c.word);
        }
        EXPECT_EQ(rest(), c.rest);
        text_.close();
        text_ = CatalogText{};
    }
}

struct FixedCase {
    const char* name;
    std::string input;
    std::size_t width;
    std::string field;
    std::string rest;
};

TEST_F(TextTest, FixedWidthReadThenOneCharacterDropped) {
    const FixedCase cases[] = {
        {"exact width: the line end is dropped", "abcde\nX", 5, "abcde", "X"},
        {"short: line end kept, next line loses a character", "abc\nXYZ", 5, "abc\n", "YZ"},
        {"one short: the line end fills the width", "abcd\nXY", 5, "abcd\n", "Y"},
        {"long: the character after the width is dropped", "abcdefg\n", 5, "abcde", "g\n"},
        {"blanks are kept", "ab   \n", 5, "ab   ", ""},
        {"the end within the field", "ab", 5, "ab", ""},
        {"the end first", "", 5, "", ""},
        {"crlf counts as one line end", "abc\r\nXY", 5, "abc\n", "Y"},
    };
    for (const FixedCase& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogText& t = open(c.input);
        EXPECT_EQ(t.read_fixed(c.width), c.field);
        EXPECT_EQ(rest(), c.rest);
        text_.close();
        text_ = CatalogText{};
    }
}

TEST_F(TextTest, SkipWhiteStopsAtTheNextOtherCharacter) {
    CatalogText& t = open(" \t\r\n\n x y");
    t.skip_white();
    EXPECT_FALSE(t.at_end());
    EXPECT_EQ(rest(), "x y");
    text_.close();
    text_ = CatalogText{};
    CatalogText& u = open(" \n\n");
    u.skip_white();
    EXPECT_TRUE(u.at_end());
}

}  // namespace
