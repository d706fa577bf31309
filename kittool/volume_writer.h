// Lays the stored bytes of a kit's files back to back into volume files of a
// fixed size, "<prefix><disk>.DAT" with disks from 1; a file's bytes go on
// at byte 0 of the next volume where one is full.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace kittool {

struct VolumePosition {
    int disk = 1;
    std::int64_t offset = 0;
};

class VolumeWriter {
public:
    VolumeWriter(std::string directory, std::string prefix, std::int64_t volume_size);

    // Where a file of `stored_size` bytes begins. A file with bytes never
    // begins at the very end of a full volume; an empty one stays where the
    // last bytes ended, so it never names a volume that does not exist.
    VolumePosition start_file(std::int64_t stored_size);
    // Appends stored bytes, opening further volumes as they fill; throws
    // KitToolError when a volume cannot be written.
    void write(const std::uint8_t* data, std::size_t n);
    // Closes the last volume; volume 1 exists even for a kit without bytes.
    void finish();
    // Removes every volume file written, after a failed build.
    void discard();

    int volumes() const { return disk_; }
    static std::string volume_name(const std::string& prefix, int disk);

private:
    void open_next();

    std::string directory_;
    std::string prefix_;
    std::int64_t volume_size_;
    int disk_ = 0;                 // the volume open now, 0 before the first
    std::int64_t used_ = 0;        // bytes in it
    std::ofstream file_;
    std::vector<std::string> written_;
};

}  // namespace kittool
