// `kittool verify`: reads every file's stored bytes from the volume files as
// the installer would, expands the compressed ones with the installer's own
// expander, and checks every size, without writing or asking for anything.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "installer/catalog.h"
#include "kittool/volume_reader.h"

namespace kittool {

struct FileCheck {
    bool sound = true;
    std::string problem;  // why not, naming the volume or stream at fault
};

// Checks one file, reading through `volumes` (whose open volume carries over
// from file to file, as in the installer). `on_read` sees each chunk's size.
FileCheck check_file(VolumeReader& volumes, const FileRecord& file,
                     const std::function<void(std::int64_t)>& on_read = {});

// The subcommand: arguments after "verify"; returns the exit status.
int verify_command(const std::vector<std::string>& args);

extern const char kVerifyUsage[];

}  // namespace kittool
