// The installer's three catalog stages: each reads its part of CATALOG.DAT
// and ends the run with the catalogue's message on any problem.
#pragma once

#include "installer/state.h"

// Opens the catalog, asking for disk 1 until it opens, and reads the header.
void read_catalog_header(InstallState& st);
// Reads the package count and the package lines.
void read_package_table(InstallState& st);
// Reads the file lines to the end and closes the catalog.
void read_file_table(InstallState& st);
