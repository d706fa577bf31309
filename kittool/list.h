// `kittool list`: a kit's header, packages and files, as the installer's
// catalog reader sees them, for people or (with --tsv) for programs.
#pragma once

#include <string>
#include <vector>

#include "installer/catalog.h"

namespace kittool {

enum class ListFormat { table, tsv };

// The listing of a loaded catalog.
std::string list_kit(const Catalog& catalog, ListFormat format);

// Percentage of the output size saved by the stored form, rounded; 0 for an
// empty file. Negative when the stored form is the larger.
long saving_percent(std::int64_t output_size, std::int64_t stored_size);

// The subcommand: arguments after "list"; returns the exit status.
int list_command(const std::vector<std::string>& args);

extern const char kListUsage[];

}  // namespace kittool
