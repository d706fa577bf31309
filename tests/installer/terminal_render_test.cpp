// What the installer's texts become on a terminal screen.
#include <gtest/gtest.h>

#include "installer/console.h"
#include "installer/terminal.h"

namespace {

struct RenderCase {
    const char* name;
    std::string text;
    bool utf8;
    std::string shown;
};

TEST(TerminalRender, Table) {
    const RenderCase cases[] = {
        {"tab to the next stop", "ab\tc", false, "ab      c"},
        {"tab at a stop", "abcdefgh\tx", false, "abcdefgh        x"},
        {"carriage return restarts the columns", "abc\r\tx", false, "abc\r        x"},
        {"backspace steps back a column", "abcdefg\b\tx", false, "abcdefg\b  x"},
        {"status line blanks 79 columns", status_line, false, std::string(79, ' ') + "\r"},
        {"code page bytes kept without UTF-8", "cr\x82\x82", false, "cr\x82\x82"},
        {"code page bytes as UTF-8", "cr\x82\x82 \xC9\xCD\xBB", true, "cr\u00e9\u00e9 \u2554\u2550\u2557"},
        {"escape shown, never sent", "a\x1b[2Jb", true, "a^[[2Jb"},
        {"bell and delete shown", "\x07\x7f", false, "^G^?"},
        {"line feed passes", "a\nb", false, "a\nb"},
    };
    for (const RenderCase& c : cases) {
        int column = 0;
        EXPECT_EQ(TerminalSink::render(c.text, c.utf8, column), c.shown) << c.name;
    }
}

TEST(TerminalRender, ColumnCarriesOverBetweenWrites) {
    int column = 0;
    TerminalSink::render("abc", false, column);
    EXPECT_EQ(TerminalSink::render("\tx", false, column), "     x");
}

}  // namespace
