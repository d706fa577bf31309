#include "installer/fatal.h"

#include <cstdarg>
#include <string>

std::string vformat(const char* format, va_list args);

void fatal(Console& con, MsgKey key, ...) {
    va_list args;
    va_start(args, key);
    std::string text = vformat(msg(con.language, key), args);
    va_end(args);
    con.write(text);
    con.flush();
    throw FatalExit{kFatalStatus};
}

void fatal_text(Console& con, const char* text) {
    con.write(text);
    con.flush();
    throw FatalExit{kFatalStatus};
}
