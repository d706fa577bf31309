// install DEST: the interactive kit installer.
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "installer/driver.h"
#include "installer/fatal.h"
#include "installer/terminal.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Errors of printing are ignored, a reader that went away included.
    std::signal(SIGPIPE, SIG_IGN);

    // A terminal gets keys read raw and texts adapted to the screen; a file
    // or a pipe gets the installer's own bytes, one byte per key press.
    std::unique_ptr<KeySource> keys;
    if (isatty(STDIN_FILENO)) keys = std::make_unique<TerminalKeys>(STDIN_FILENO);
    else keys = std::make_unique<ScriptKeys>(STDIN_FILENO);
    std::unique_ptr<TextSink> out;
    if (isatty(STDOUT_FILENO)) out = std::make_unique<TerminalSink>(STDOUT_FILENO, locale_is_utf8());
    else out = std::make_unique<PlainSink>(STDOUT_FILENO);

    Console con(*keys, *out);
    int status;
    try {
        status = install_main(con, args);
    } catch (const FatalExit& e) {
        status = e.status;
    }
    con.flush();
    keys.reset();  // the terminal as it was found
    return status & 0xFF;
}
