// The one way the installer dies: print one message, then unwind to main,
// which flushes what is buffered, puts the terminal back as it was found and
// ends the process with status -1 (255). Nothing installed is undone.
#pragma once

#include "installer/console.h"

struct FatalExit {
    int status;
};

inline constexpr int kFatalStatus = -1;

// Prints the text of `key` with its arguments, then ends the run.
template <typename... Args>
[[noreturn]] void fatal(Console& con, MsgKey key, Args... args) {
    con.say(key, args...);
    con.flush();
    throw FatalExit{kFatalStatus};
}
// Prints a fixed text (the English-only fatal messages), then ends the run.
[[noreturn]] void fatal_text(Console& con, const char* text);
