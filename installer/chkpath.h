// Makes a destination path ready to be written to, or says why it cannot be.
#pragma once

#include <string_view>

#include "installer/state.h"

// Creates the missing directories of `path` and rules on the file it names
// (if it does not end with a separator). 0: go ahead; 1: refused, after at
// most one message (or a declined overwrite question).
int chkpath(InstallState& st, std::string_view path);
