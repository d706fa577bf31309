#include "kittool/volume_writer.h"

#include <cstdio>

#include "kittool/error.h"

namespace kittool {

VolumeWriter::VolumeWriter(std::string directory, std::string prefix, std::int64_t volume_size)
    : directory_(std::move(directory)), prefix_(std::move(prefix)), volume_size_(volume_size) {}

std::string VolumeWriter::volume_name(const std::string& prefix, int disk) {
    return prefix + std::to_string(disk) + ".DAT";
}

void VolumeWriter::open_next() {
    if (file_.is_open()) {
        file_.close();
        if (!file_) throw KitToolError("cannot write " + written_.back());
    }
    ++disk_;
    used_ = 0;
    const std::string path = directory_ + "/" + volume_name(prefix_, disk_);
    file_.open(path, std::ios::binary | std::ios::trunc);
    if (!file_) throw KitToolError("cannot create " + path);
    written_.push_back(path);
}

VolumePosition VolumeWriter::start_file(bool has_bytes) {
    if (disk_ == 0 || (has_bytes && used_ == volume_size_)) open_next();
    return {disk_, used_};
}

void VolumeWriter::write(const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        if (disk_ == 0 || used_ == volume_size_) open_next();
        const std::int64_t room = volume_size_ - used_;
        const std::size_t take = static_cast<std::int64_t>(n) < room ? n : static_cast<std::size_t>(room);
        file_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(take));
        if (!file_) throw KitToolError("cannot write " + written_.back());
        used_ += static_cast<std::int64_t>(take);
        data += take;
        n -= take;
    }
}

void VolumeWriter::finish() {
    if (disk_ == 0) open_next();
    file_.close();
    if (!file_) throw KitToolError("cannot write " + written_.back());
}

void VolumeWriter::discard() {
    if (file_.is_open()) file_.close();
    for (const std::string& path : written_) std::remove(path.c_str());
    written_.clear();
}

}  // namespace kittool
