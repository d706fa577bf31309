// Lays the stored bytes of a kit's files back to back into volume files of a
// fixed size, "<prefix><disk>.DAT" with disks from 1; a file's bytes go on
// at byte 0 of the next volume where one is full.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "installer/bytesink.h"

namespace kittool {

struct VolumePosition {
    int disk = 1;
    std::int64_t offset = 0;
};

class VolumeWriter {
public:
    VolumeWriter(std::string directory, std::string prefix, std::int64_t volume_size);

    // Where the next file begins. A file with bytes never begins at the very
    // end of a full volume; an empty one stays where the last bytes ended, so
    // it never names a volume that does not exist. Only whether it has bytes
    // matters, so a compressed file can be placed before its size is known.
    VolumePosition start_file(bool has_bytes);
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

namespace volume_sink_detail {
// Held in a base class so the buffer exists before ByteSink is given it.
struct Storage {
    static constexpr std::size_t kBufferSize = 256 * 1024;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kBufferSize);
};
}  // namespace volume_sink_detail

// Streams a compressor's output straight into the volumes, counting it for the
// file's catalog line; nothing of the file is held whole. A volume that cannot
// be written throws KitToolError out of the compressor's call.
class VolumeSink : private volume_sink_detail::Storage, public ByteSink {
public:
    explicit VolumeSink(VolumeWriter& volumes) : Storage(), ByteSink(buffer.data(), buffer.size()), volumes_(volumes) {}

    bool flush() override {
        volumes_.write(data(), pending());
        count_ += static_cast<std::int64_t>(pending());
        reset();
        return true;
    }
    // Bytes written so far, all of them handed to the volumes.
    std::int64_t count() {
        flush();
        return count_;
    }

private:
    VolumeWriter& volumes_;
    std::int64_t count_ = 0;
};

}  // namespace kittool
