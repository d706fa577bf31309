// The package selection dialogue: which packages, under which paths, and
// whether to ask before an existing file is replaced.
#pragma once

#include "installer/state.h"

void select_packages(InstallState& st);
