// The kit description that `kittool build` reads: the header texts, the
// packages in order, and for each package its files, listed one by one or
// taken from a directory tree. The grammar is in the build usage text.
#pragma once

#include <string>
#include <vector>

#include "kittool/kit.h"

namespace kittool {

struct PlannedFile {
    std::string source;  // where the bytes come from, as the tool opens it
    std::string name;    // the name in the kit, relative to the package path
};

struct PlannedPackage {
    std::string name;
    std::string path;    // without a trailing separator
    bool selected = false;
    std::vector<PlannedFile> files;
};

struct KitPlan {
    KitHeader header;
    bool number_given = false;  // else line 3 holds the number of volumes
    std::vector<PlannedPackage> packages;
};

// Reads and checks a description; every name, path and header text is
// checked here, where it enters. Throws KitToolError ("file:line: why").
KitPlan read_manifest(const std::string& manifest_path);

// The regular files below `directory`, as "/"-separated names relative to
// it, in byte order of their names at every level.
std::vector<std::string> walk_tree(const std::string& directory);

}  // namespace kittool
