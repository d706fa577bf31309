// Properties of the installer's texts that the dialogue relies on.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "installer/messages.h"
#include "installer/terminal.h"

namespace {

std::vector<MsgKey> all_keys() {
    std::vector<MsgKey> keys;
    for (int k = 0; k < kMessageCount; ++k) keys.push_back(static_cast<MsgKey>(k));
    return keys;
}

std::string text(Language l, MsgKey k) { return msg(l, k); }

// The placeholders of a format, in order.
std::vector<std::string> placeholders(const std::string& format) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        std::size_t j = i + 1;
        while (j < format.size() && format[j] == 'l') ++j;
        out.push_back(format.substr(i, j - i + 1));
        i = j;
    }
    return out;
}

TEST(Banner, Is348BytesWith29LineFeeds) {
    const std::string& b = banner();
    EXPECT_EQ(b.size(), 348u);
    EXPECT_EQ(std::count(b.begin(), b.end(), '\n'), 29);
    EXPECT_EQ(b.substr(0, 13), std::string(13, '\n'));
    EXPECT_EQ(b.substr(b.size() - 8), "\n" + std::string(7, '\n'));
}

TEST(Banner, BoxLinesUpWithTabStopsEveryEightColumns) {
    const std::string& b = banner();
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < b.size(); ++i)
        if (b[i] == '\n') {
            lines.push_back(b.substr(start, i - start));
            start = i + 1;
        }
    std::vector<std::string> box;
    for (const std::string& l : lines)
        if (!l.empty()) box.push_back(l);
    ASSERT_EQ(box.size(), 9u);
    const std::string welcome_en = "      Welcome to the VELK & VOLK Installation Program.         ";
    const std::string welcome_fr = "     Bienvenue au programme d'installation de la BD/VOLK.      ";
    EXPECT_EQ(box[0], "\t\xC9" + std::string(63, '\xCD') + "\xBB");
    EXPECT_EQ(box[3], "\t\xBA" + welcome_en + "\xBA");
    EXPECT_EQ(box[5], "\t\xBA" + welcome_fr + "\xBA");
    EXPECT_EQ(box[8], "\t\xC8" + std::string(63, '\xCD') + "\xBC");
    for (int i : {1, 2, 4, 6, 7}) EXPECT_EQ(box[static_cast<std::size_t>(i)], "\t\xBA\t\t\t\t\t\t\t\t\xBA");
    // Rendered with tab stops, every frame starts in column 8 and ends in 72.
    for (const std::string& l : box) {
        int column = 0;
        std::string shown = TerminalSink::render(l, false, column);
        ASSERT_EQ(shown.size(), 73u) << l;
        EXPECT_NE(shown[8], ' ');
        EXPECT_NE(shown[72], ' ');
        EXPECT_EQ(shown.substr(0, 8), std::string(8, ' '));
    }
}

TEST(Catalogue, FixedTextsShownBeforeTheLanguageIsChosen) {
    EXPECT_STREQ(MSG_USAGE, "usage: install <destination drive>\n");
    EXPECT_STREQ(MSG_CHOOSE_LANGUAGE_EN, "Please enter 'E' for English dialogue.\n");
    EXPECT_STREQ(MSG_CHOOSE_LANGUAGE_FR, "S.V.P entrez la lettre 'F' pour le dialogue fran\x87" "ais.\n");
}

TEST(Catalogue, OnlyCodePage850BytesOfTheFrenchLetters) {
    const std::set<unsigned char> allowed = {0x82, 0x85, 0x87, 0x88};
    for (MsgKey k : all_keys())
        for (Language l : {English, French})
            for (unsigned char c : text(l, k)) {
                if (c >= 0x80) {
                    EXPECT_TRUE(allowed.count(c)) << "key " << k << " byte " << int(c);
                }
                if (c < 0x20) {
                    EXPECT_TRUE(c == '\n' || c == '\r' || c == '\b') << "key " << k;
                }
                if (c == '\b') {
                    EXPECT_EQ(k, MSG_ASK_PATH);
                }
            }
}

TEST(Catalogue, LineBlankingMessagesTakeTheStatusLineFirst) {
    for (MsgKey k : {MSG_INSERT_DISK, MSG_ASK_OVERWRITE, MSG_NOT_INSTALLED, MSG_FINISHED})
        for (Language l : {English, French}) EXPECT_EQ(text(l, k).substr(0, 4), "\r%s\r") << k;
}

TEST(Catalogue, StatusLabelsAreTwelveColumnsAndACarriageReturn) {
    for (MsgKey k : {MSG_STATUS_READING, MSG_STATUS_WRITING, MSG_STATUS_CREATED})
        for (Language l : {English, French}) {
            std::string t = text(l, k);
            ASSERT_EQ(t.size(), 13u) << t;
            EXPECT_EQ(t.back(), '\r');
        }
    EXPECT_EQ(text(French, MSG_STATUS_WRITING), "\x82" "criture:   \r");
    EXPECT_EQ(text(French, MSG_STATUS_CREATED), "cr\x82\x82:       \r");
}

TEST(Catalogue, QuestionsEndWithoutALineFeed) {
    for (MsgKey k : {MSG_ASK_INSTALL_PACKAGE, MSG_ASK_PATH, MSG_CHANGE_SELECTIONS, MSG_ASK_PROMPT_OVERWRITE,
                     MSG_ASK_OVERWRITE, MSG_INSERT_DISK})
        for (Language l : {English, French}) {
            std::string t = text(l, k);
            EXPECT_NE(t.back(), '\n') << k;
            if (k == MSG_INSERT_DISK) continue;
            char last = l == French && k == MSG_ASK_PATH ? '?' : ' ';
            EXPECT_EQ(t.back(), last) << k << " " << l;
        }
}

TEST(Catalogue, FrenchTextsTakeTheEnglishArgumentsInOrder) {
    for (MsgKey k : all_keys()) {
        auto en = placeholders(text(English, k));
        auto fr = placeholders(text(French, k));
        ASSERT_LE(fr.size(), en.size()) << k;
        for (std::size_t i = 0; i < fr.size(); ++i) EXPECT_EQ(fr[i], en[i]) << k;
    }
    EXPECT_EQ(placeholders(text(French, MSG_TOO_MANY_FILES)).size(), 1u);
}

TEST(Catalogue, TextsThatDifferFromTheirTwinsAsWritten) {
    EXPECT_EQ(text(French, MSG_TYPE), text(English, MSG_TYPE));
    EXPECT_EQ(text(French, MSG_NO_PACKAGE_COUNT), "\nErreur: Aucune valeur attribu\x82" "e pour le nombre de progiciels.");
    EXPECT_EQ(text(French, MSG_ASK_PATH), "\nAffectation implicite ou nouveau parcours d'installation [%s\b] ?");
    EXPECT_EQ(text(English, MSG_ASK_PATH), "\nDefault or new installation path [%s\b] ? ");
    EXPECT_EQ(text(French, MSG_WRITE_FAILED),
              "\nErreur: Le fichier '%s' n'a pas \x82t\x82 \x82" "crit..\n        V\x82rifiez si le disque dur est plein.\n");
}

}  // namespace
