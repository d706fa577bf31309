#include "installer/messages.h"

#include <array>

namespace {

// Accented letters are code page 850 bytes: 0x82 e-acute, 0x85 a-grave,
// 0x87 c-cedilla, 0x88 e-circumflex. A literal is split after an escape
// wherever the next character would otherwise extend the hex escape.
constexpr std::array<MessagePair, kMessageCount> kCatalogue = {{
    /* MSG_INTRO_1 */
    {{"\nThis program will allow the installation of one or more packages\n",
      "\nAvec ce programme on peut installer plusieurs progiciels\n"}},
    /* MSG_INTRO_2 */
    {{"and the option of changing the destination path for file packages.\n\n",
      "et changer le r\x82pertoire de destination pour les fichiers des progiciels.\n\n"}},
    /* MSG_CANNOT_OPEN */
    {{"\nError: Unable to open '%s'.\n",
      "\nErreur: Incapable d'ouvrir '%s'.\n"}},
    /* MSG_INSERT_DISK */
    {{"\r%s\rPlease put disk %d in disk drive and press any key to continue.",
      "\r%s\rVeuillez mettre le disque %d et poussez une cl\x82 pour poursuivre."}},
    /* MSG_TYPE */
    {{"Type:     %s\n",
      "Type:     %s\n"}},
    /* MSG_KIT */
    {{"Kit:      %s\n",
      "Trousse:  %s\n"}},
    /* MSG_LICENSEE */
    {{"Licensee: %s\n",
      "D\x82tenteur du permis d'utilisation: %s\n"}},
    /* MSG_UNEXPECTED_EOF */
    {{"\nError: Unexpected end of the file '%s'.\n",
      "\nErreur: Fin inattendue du fichier '%s'.\n"}},
    /* MSG_NO_PACKAGE_COUNT: the French text has no final line feed. */
    {{"\nError: No value assigned to number of packages.\n",
      "\nErreur: Aucune valeur attribu\x82" "e pour le nombre de progiciels."}},
    /* MSG_TOO_MANY_PACKAGES */
    {{"\nError: The number of packages (%d) is greater than program capacity (%d).\n",
      "\nErreur: Le nombre de progiciels (%d) est sup\x82rieur \x85 la capacit\x82 du programme (%d).\n"}},
    /* MSG_NO_PACKAGES */
    {{"\nError: Surely the number of packages must be greater than zero.\n",
      "\nErreur: Le nombre de progiciels doit certainement \x88tre sup\x82rieur \x85 z\x82ro.\n"}},
    /* MSG_PACKAGES_AT_CAPACITY */
    {{"Warning: The number of packages (%d) equals the maximum capacity of the program (%d).\n\n",
      "Avertissement: Le nombre de progiciels (%d) est \x82gal \x85 la capacit\x82 maximale du programme (%d).\n\n"}},
    /* MSG_BAD_PACKAGE_LINE */
    {{"\nError: Trouble reading package name and/or source path from the file '%s'.\n",
      "\nErreur: Difficult\x82 lors de la lecture du nom de la partie et/ou du r\x82pertoire de destination \x85 "
      "partir du fichier '%s'.\n"}},
    /* MSG_ASK_INSTALL_PACKAGE */
    {{"\nDo you wish to install the '%s' package (%ldK) ",
      "\nD\x82sirez-vous installer la partie '%s' (%ldK) "}},
    /* MSG_ASK_PATH: the backspace puts the closing bracket over the path's
       final separator; the French text ends without a blank. */
    {{"\nDefault or new installation path [%s\b] ? ",
      "\nAffectation implicite ou nouveau parcours d'installation [%s\b] ?"}},
    /* MSG_BAD_PATH */
    {{"bad path %s\n",
      "Mauvais r\x82pertoire %s\n"}},
    /* MSG_SUMMARY_HEADING */
    {{"\n   Size Package               Installation Path\n   ---- -------               -----------------\n",
      "\n Grandeur Progiciel           Parcours d'installation\n -------- ---------           -----------------------\n"}},
    /* MSG_CHANGE_SELECTIONS */
    {{"\nDo you wish to change any of the above selections ",
      "\nD\x82sirez-vous changer une des s\x82lections ci-dessus "}},
    /* MSG_ASK_PROMPT_OVERWRITE */
    {{"\nDo you wish to be prompted before an existing file is replaced ",
      "\nD\x82sirez-vous que l'ordinateur vous demande l'autorisation avant de remplacer un fichier existant "}},
    /* MSG_ENTER_YES_NO */
    {{"\nEnter Y or N: ",
      "\nAppuyez sur O ou sur N: "}},
    /* MSG_BAD_FILE_LINE */
    {{"\nError: Trouble reading package number and/or file specification from the file '%s'.\n",
      "\nErreur: Difficult\x82 lors de la lecture du num\x82ro de la partie et/ou des sp\x82" "cifications du "
      "fichier \x85 partir du fichier '%s'.\n"}},
    /* MSG_TOO_MANY_FILES: the French text does not show the capacity. */
    {{"\nError: The number of files (%d) is greater than program capacity (%d).\n",
      "\nErreur: Le nombre de fichiers (%d) est sup\x82rieur \x85 la capacit\x82 du programme.\n"}},
    /* MSG_BAD_PACKAGE_NUMBER */
    {{"\nError: '%d' is an invalid package number.\n",
      "\nErreur: '%d' est un num\x82ro de partie invalide.\n"}},
    /* MSG_CANNOT_CLOSE */
    {{"\nError: Unable to properly close '%s'.\n",
      "\nErreur: Incapable de fermer '%s' de la fa\x87on appropri\x82" "e.\n"}},
    /* MSG_NOT_A_DIRECTORY */
    {{"\nError: '%s' is an existing file, not a directory\n",
      "\nErreur: '%s' est un fichier existant, pas un r\x82pertoire.\n"}},
    /* MSG_CANNOT_CREATE_DIRECTORY */
    {{"\nError: cannot create directory '%s'\n",
      "\nErreur: Impossible de cr\x82" "er le r\x82pertoire '%s'\n"}},
    /* MSG_FILE_IS_DIRECTORY */
    {{"\nError: cannot create file '%s' - is a directory\n",
      "\nErreur: Impossible de cr\x82" "er le fichier '%s' - c'est un r\x82pertoire\n"}},
    /* MSG_ASK_OVERWRITE */
    {{"\r%s\rFile '%s' exists. Ok to overwrite ",
      "\r%s\rLe fichier '%s' existe.  Superposition d'\x82" "criture autoris\x82" "e "}},
    /* MSG_CANNOT_CREATE_FILE */
    {{"\nError: cannot create file '%s'\n",
      "\nErreur: Impossible de cr\x82" "er le fichier '%s'\n"}},
    /* MSG_NOT_INSTALLED */
    {{"\r%s\rFile '%s' was not installed.\r",
      "\r%s\rLe fichier '%s' n'a pas \x82t\x82 install\x82.\r"}},
    /* MSG_CANNOT_OPEN_FOR_WRITING */
    {{"\nError: Unable to open '%s' for writing.\n",
      "\nErreur: Incapable d'ouvrir '%s' en \x82" "criture.\n"}},
    /* MSG_CANNOT_OPEN_FOR_READING */
    {{"\nError: Unable to open the file '%s' for reading.\n",
      "\nErreur: Incapable d'ouvrir le fichier '%s'.\n"}},
    /* MSG_STATUS_READING: every status label is 12 characters and a CR. */
    {{"reading:    \r",
      "lecture:    \r"}},
    /* MSG_STATUS_WRITING */
    {{"writing:    \r",
      "\x82" "criture:   \r"}},
    /* MSG_WRITE_FAILED */
    {{"\nError: File '%s' could not be successfully written.\n       Check if disk is full.\n",
      "\nErreur: Le fichier '%s' n'a pas \x82t\x82 \x82" "crit..\n        V\x82rifiez si le disque dur est plein.\n"}},
    /* MSG_STATUS_CREATED */
    {{"created:    \r",
      "cr\x82\x82:       \r"}},
    /* MSG_FINISHED */
    {{"\r%s\r\nFinished installation of selected packages.\n",
      "\r%s\r\nLa d\x82" "condensation des parties choisis est termin\x82" "e.\n"}},
    /* MSG_SET_ENVIRONMENT */
    {{"\nRemember to set the VOLK and VELK environment variables!\n",
      "\nN'oubliez pas de sauvegarder les variables d'environnement VOLK et VELK!\n"}},
    /* MSG_END */
    {{"\nEND of VELK & VOLK Installation Program.\n\n",
      "\nFIN du programme d'installation de la VELK et du VOLK.\n\n"}},
    /* MSG_END_OF_INPUT */
    {{"\nError: The answers ended before the installation was complete.\n",
      "\nErreur: Les r\x82ponses se sont termin\x82" "es avant la fin de l'installation.\n"}},
    /* MSG_CANNOT_READ_VOLUME */
    {{"\nError: Unable to read the file '%s'.\n",
      "\nErreur: Incapable de lire le fichier '%s'.\n"}},
    /* MSG_BAD_FILE_PLACE */
    {{"\nError: The catalog places file '%s' at disk %d, offset %ld, where no volume can hold it.\n",
      "\nErreur: Le catalogue place le fichier '%s' au disque %d, position %ld, hors de tout volume.\n"}},
}};

std::string make_banner() {
    const std::string top = "\xC9" + std::string(63, '\xCD') + "\xBB";
    const std::string empty = "\xBA\t\t\t\t\t\t\t\t\xBA";
    const std::string welcome_en = "\xBA      Welcome to the VELK & VOLK Installation Program.         \xBA";
    const std::string welcome_fr = "\xBA     Bienvenue au programme d'installation de la BD/VOLK.      \xBA";
    const std::string bottom = "\xC8" + std::string(63, '\xCD') + "\xBC";
    std::string text(13, '\n');
    for (const std::string* line : {&top, &empty, &empty, &welcome_en, &empty, &welcome_fr, &empty, &empty, &bottom}) {
        text += '\t';
        text += *line;
        text += '\n';
    }
    text += std::string(7, '\n');
    return text;
}

}  // namespace

const MessagePair& message_pair(MsgKey key) { return kCatalogue[static_cast<std::size_t>(key)]; }

const char* msg(Language language, MsgKey key) { return message_pair(key).text[language == French ? 1 : 0]; }

const std::string& banner() {
    static const std::string text = make_banner();
    return text;
}
