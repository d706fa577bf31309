// `kittool build`: makes a kit (CATALOG.DAT and its volume files) from a kit
// description.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kittool/catalog_writer.h"
#include "kittool/kit.h"
#include "kittool/manifest.h"

namespace kittool {

enum class StoreMode { smaller, plain, compressed };

struct BuildOptions {
    std::string output_directory = ".";
    std::int64_t volume_size = kDefaultVolumeSize;
    StoreMode store = StoreMode::smaller;
    LineEnd line_end = LineEnd::crlf;
};

struct BuiltKit {
    Kit kit;                       // as written to the catalog
    int volumes = 0;               // volume files written, from 1
    std::size_t longest_path = 0;  // longest package path + "/" + file name
};

// Checks the whole plan against what the installer takes, then writes the
// volumes and the catalog. Throws KitToolError, after removing what it had
// written.
BuiltKit build_kit(const KitPlan& plan, const BuildOptions& options);

// The subcommand: arguments after "build"; returns the exit status.
int build_command(const std::vector<std::string>& args);

extern const char kBuildUsage[];

}  // namespace kittool
