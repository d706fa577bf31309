// Reading a kit back from its directory, with the installer's own catalog
// reader, so `list` and `verify` see exactly what the installer would see.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "installer/catalog.h"

namespace kittool {

// The whole catalog of the kit in `kit_directory` (its CATALOG.DAT, or a
// twin of that name in another case). A catalog the installer would stop on
// throws KitToolError with the installer's own message.
Catalog read_kit_catalog(const std::string& kit_directory);

// The command line of a command that reads one kit: its flags (only those in
// `known_flags`) and at most one KITDIR, "." when none is given.
struct KitArguments {
    bool help = false;                // -h or --help
    std::vector<std::string> flags;   // the known flags given, in order
    std::string directory = ".";
};
// False after a usage error has been printed on stderr for `command`.
bool parse_kit_arguments(const std::string& command, const std::vector<std::string>& args,
                         const std::vector<std::string>& known_flags, KitArguments& out);

// "VOL2.DAT": the volume file's name as the installer forms it.
std::string volume_file_name(const std::string& prefix, std::int32_t disk);
// The same inside the kit directory.
std::string volume_path(const std::string& kit_directory, const std::string& prefix, std::int32_t disk);

// A package path as the catalog wrote it: the reader appends one "/".
std::string catalog_path(const PackageRecord& package);
// A header field for display: trailing blanks and line ends removed.
std::string trimmed(std::string_view text);

}  // namespace kittool
