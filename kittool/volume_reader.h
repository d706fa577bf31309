// Reading a file's stored bytes from the volume files by the install pass's
// rules: one volume open at a time, reached by seeking; when a read returns
// nothing the bytes go on at byte 0 of the next volume. Unlike the installer
// it never asks for a disk: a volume that cannot be opened is a problem,
// reported with its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "installer/fs.h"

namespace kittool {

// The installer's copy buffer: stored bytes are read in chunks of at most this.
inline constexpr std::size_t kVolumeChunk = 16384;

class VolumeReader {
public:
    VolumeReader(std::string kit_directory, std::string volume_prefix);

    // Positions at `offset` of volume `disk`, opening it unless it is the
    // open one. False, with problem() set, when it cannot be opened.
    bool start(std::int32_t disk, std::int32_t offset);
    // Reads up to `wanted` bytes (at most kVolumeChunk). At the end of the
    // open volume it moves to the next and reads once more, taking what
    // comes, 0 included (an empty volume). -1, with problem() set, when the
    // next volume cannot be opened or a read fails.
    long read(std::uint8_t* buffer, std::size_t wanted);
    // Forgets the open volume, so the next start() opens its disk afresh.
    void close();

    std::int32_t current_disk() const { return current_disk_; }
    const std::string& problem() const { return problem_; }

private:
    bool open(std::int32_t disk);
    long read_open(std::uint8_t* buffer, std::size_t wanted);

    std::string kit_directory_;
    std::string volume_prefix_;
    std::int32_t current_disk_ = 0;  // 0: none open
    fsys::InputFile volume_;
    std::string problem_;
};

}  // namespace kittool
