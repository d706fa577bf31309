// The install pass: every file of every selected package, from the volume
// files to its destination, checked for size and made read-only.
#pragma once

#include <cstdint>
#include <string>

#include "installer/state.h"

// Stored bytes pass through one buffer of this size, a chunk at a time.
inline constexpr std::size_t kCopyChunk = 16384;

void install_files(InstallState& st);
// Opens volume file `disk`: a silent first attempt, then a disk request
// before every further one, as long as it takes.
void open_volume(InstallState& st, std::int32_t disk);
// "%s%d.DAT" from the catalog's volume prefix and the disk number.
std::string volume_name(const std::string& prefix, std::int32_t disk);
