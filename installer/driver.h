// The installer's main sequence: argument, banner, language, introduction,
// catalog, selection, install pass, closing.
#pragma once

#include <string>
#include <vector>

#include "installer/console.h"

// Runs one installation with the command-line arguments (program name not
// included). Returns the exit status of a normal end; fatal ends unwind as
// FatalExit.
int install_main(Console& con, const std::vector<std::string>& args);

// The argument as the prefix of every destination path: a lone letter
// becomes a drive designator ("c" gives "c:"), anything else is kept.
std::string destination_drive_from(const std::string& argument);
