#include "installer/fatal.h"

void fatal_text(Console& con, const char* text) {
    con.write(text);
    con.flush();
    throw FatalExit{kFatalStatus};
}
