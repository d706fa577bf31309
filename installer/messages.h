// The installer's texts: the bilingual message catalogue, the three texts
// shown before a language is chosen, and the banner. Every text is a byte
// string in code page 850 and a printf-style format.
#pragma once

#include <string>

enum Language : int { English = 0, French = 1 };

// The two texts of one message, English first, so the one to print is the
// one whose index equals the dialogue language.
struct MessagePair {
    const char* text[2];
};

enum MsgKey : int {
    MSG_INTRO_1,
    MSG_INTRO_2,
    MSG_CANNOT_OPEN,
    MSG_INSERT_DISK,
    MSG_TYPE,
    MSG_KIT,
    MSG_LICENSEE,
    MSG_UNEXPECTED_EOF,
    MSG_NO_PACKAGE_COUNT,
    MSG_TOO_MANY_PACKAGES,
    MSG_NO_PACKAGES,
    MSG_PACKAGES_AT_CAPACITY,
    MSG_BAD_PACKAGE_LINE,
    MSG_ASK_INSTALL_PACKAGE,
    MSG_ASK_PATH,
    MSG_BAD_PATH,
    MSG_SUMMARY_HEADING,
    MSG_CHANGE_SELECTIONS,
    MSG_ASK_PROMPT_OVERWRITE,
    MSG_ENTER_YES_NO,
    MSG_BAD_FILE_LINE,
    MSG_TOO_MANY_FILES,
    MSG_BAD_PACKAGE_NUMBER,
    MSG_CANNOT_CLOSE,
    MSG_NOT_A_DIRECTORY,
    MSG_CANNOT_CREATE_DIRECTORY,
    MSG_FILE_IS_DIRECTORY,
    MSG_ASK_OVERWRITE,
    MSG_CANNOT_CREATE_FILE,
    MSG_NOT_INSTALLED,
    MSG_CANNOT_OPEN_FOR_WRITING,
    MSG_CANNOT_OPEN_FOR_READING,
    MSG_STATUS_READING,
    MSG_STATUS_WRITING,
    MSG_WRITE_FAILED,
    MSG_STATUS_CREATED,
    MSG_FINISHED,
    MSG_SET_ENVIRONMENT,
    MSG_END,
    // Messages of the Linux port, for conditions the old program never
    // caught: the end of scripted answers, a volume that cannot be read,
    // and a file whose catalog entry places it nowhere.
    MSG_END_OF_INPUT,
    MSG_CANNOT_READ_VOLUME,
    MSG_BAD_FILE_PLACE,
    kMessageCount
};

// Shown regardless of the language.
inline constexpr const char* MSG_USAGE = "usage: install <destination drive>\n";
inline constexpr const char* MSG_CHOOSE_LANGUAGE_EN = "Please enter 'E' for English dialogue.\n";
inline constexpr const char* MSG_CHOOSE_LANGUAGE_FR = "S.V.P entrez la lettre 'F' pour le dialogue fran\x87" "ais.\n";

// English-only fatal texts that are not part of the catalogue.
inline constexpr const char* kMallocFatalMessage = "Fatal error: malloc\n";

// The text of `key` in `language`.
const char* msg(Language language, MsgKey key);
const MessagePair& message_pair(MsgKey key);

// The 348-byte banner, the same in both languages.
const std::string& banner();
