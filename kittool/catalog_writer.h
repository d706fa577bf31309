// Writes a Kit as the installer's CATALOG.DAT text.
#pragma once

#include <string>

#include "kittool/kit.h"

namespace kittool {

enum class LineEnd { crlf, lf };

// The catalog text: the four fixed-width header lines padded with blanks to
// their widths, the number line, the package count, one line per package
// ("name path selected size") and one per file ("package compressed
// output_size stored_size disk offset spare name"). The kit is taken as
// already checked against the catalog's limits.
std::string format_catalog(const Kit& kit, LineEnd line_end = LineEnd::crlf);

}  // namespace kittool
