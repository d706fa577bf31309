#include "kittool/volume_reader.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "kittool/kit_reader.h"

namespace kittool {

VolumeReader::VolumeReader(std::string kit_directory, std::string volume_prefix)
    : kit_directory_(std::move(kit_directory)), volume_prefix_(std::move(volume_prefix)) {}

bool VolumeReader::open(std::int32_t disk) {
    close();
    const std::string name = volume_file_name(volume_prefix_, disk);
    if (!volume_.open(volume_path(kit_directory_, volume_prefix_, disk))) {
        problem_ = name + " (disk " + std::to_string(disk) + ") is missing";
        return false;
    }
    current_disk_ = disk;
    return true;
}

void VolumeReader::close() {
    volume_.close();
    current_disk_ = 0;
}

bool VolumeReader::start(std::int32_t disk, std::int32_t offset) {
    if (disk != current_disk_ && !open(disk)) return false;
    // As in the installer, the seek's outcome does not matter: an offset past
    // the end makes the first read return nothing, and the bytes go on in
    // the next volume.
    volume_.seek(offset);
    return true;
}

long VolumeReader::read_open(std::uint8_t* buffer, std::size_t wanted) {
    long n = volume_.read(buffer, wanted);
    if (n < 0) {
        problem_ = "cannot read " + volume_file_name(volume_prefix_, current_disk_) + ": " + std::strerror(errno);
    }
    return n;
}

long VolumeReader::read(std::uint8_t* buffer, std::size_t wanted) {
    if (current_disk_ == 0) {
        problem_ = "no volume is open";
        return -1;
    }
    long n = read_open(buffer, wanted);
    if (n != 0) return n;
    const std::int32_t ended = current_disk_;
    if (ended == std::numeric_limits<std::int32_t>::max()) {
        problem_ = volume_file_name(volume_prefix_, ended) + " ends and no disk can follow it";
        return -1;
    }
    if (!open(ended + 1)) {
        problem_ = volume_file_name(volume_prefix_, ended) + " ends here and " + problem_;
        return -1;
    }
    return read_open(buffer, wanted);
}

}  // namespace kittool
