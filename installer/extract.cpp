#include "installer/extract.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "installer/chkpath.h"
#include "installer/fatal.h"
#include "installer/lzw.h"

namespace {

// The one buffer every chunk of stored bytes passes through.
std::array<std::uint8_t, kCopyChunk> copy_buffer;

void show_status(InstallState& st, const std::string& destination_path) {
    st.con.print("%12s%-67s\r", "", destination_path.c_str());
}

// The status labels have no placeholders, so their text is written as it is.
void show_label(InstallState& st, MsgKey key) { st.con.write(msg(st.con.language, key)); }

// One read from the open volume: the bytes returned, 0 at its end. A read
// that fails is never taken as a count.
long read_volume(InstallState& st, std::size_t wanted) {
    long n = st.volume_fd.read(copy_buffer.data(), wanted);
    if (n < 0) {
        fatal(st.con, MSG_CANNOT_READ_VOLUME,
              volume_name(st.catalog.header.volume_prefix, st.current_disk).c_str());
    }
    return n;
}

void next_volume(InstallState& st, const std::string& destination_path) {
    if (st.current_disk == std::numeric_limits<std::int32_t>::max()) {
        fatal(st.con, MSG_BAD_FILE_PLACE, destination_path.c_str(), st.current_disk, 0L);
    }
    st.volume_fd.close();
    open_volume(st, st.current_disk + 1);
}

// Where the output of one file goes: a buffered stream fed by the expander,
// or a descriptor written chunk by chunk.
struct Output {
    fsys::FileSink stream;
    fsys::OutputFile descriptor;
};

void install_one(InstallState& st, const FileRecord& file, const std::string& destination_path) {
    Console& con = st.con;
    const bool compressed = file.compressed != 0;

    fsys::clear_read_only(destination_path);
    Output out;
    bool opened;
    if (compressed) {
        // The bomb guard: the expander never writes more than the catalog
        // promises, so a hostile stream cannot fill the disk.
        lzexpbfi(file.output_size);
        opened = out.stream.create(destination_path);
    } else {
        opened = out.descriptor.create(destination_path);
    }
    if (!opened) fatal(con, MSG_CANNOT_OPEN_FOR_WRITING, destination_path.c_str());

    if (file.disk != st.current_disk) {
        st.volume_fd.close();
        open_volume(st, file.disk);
    }
    show_status(st, destination_path);
    st.volume_fd.seek(file.offset);

    std::int64_t bytes_read = 0;
    std::int64_t bytes_written = 0;
    while (bytes_read < file.stored_size) {
        show_label(st, MSG_STATUS_READING);
        std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(file.stored_size - bytes_read, kCopyChunk));
        long n = read_volume(st, wanted);
        if (n == 0) {
            // The volume ended inside the file: it goes on at byte 0 of the next.
            next_volume(st, destination_path);
            show_status(st, destination_path);
            show_label(st, MSG_STATUS_READING);
            n = read_volume(st, wanted);
        }
        bytes_read += n;
        show_label(st, MSG_STATUS_WRITING);
        if (compressed) {
            LzwStatus status = lzexpbf(out.stream, copy_buffer.data(), static_cast<std::size_t>(n));
            bytes_written = status.bytes_out;
            if (status.error == LzwError::chain_limit) {
                out.stream.close();
                fatal_text(con, kExpansionFatalMessage);
            }
            if (status.error == LzwError::over_limit) {
                out.stream.close();
                fatal(con, MSG_WRITE_FAILED, destination_path.c_str());
            }
        } else {
            long w = out.descriptor.write(copy_buffer.data(), static_cast<std::size_t>(n));
            if (w > 0) bytes_written += w;
        }
    }

    // A compressed file's stream is checked too: a full disk seen only by
    // its write or close is a failure, never a success.
    bool closed = compressed ? out.stream.close() : (out.descriptor.close(), true);
    if (!closed || bytes_written != file.output_size) fatal(con, MSG_WRITE_FAILED, destination_path.c_str());
    show_label(st, MSG_STATUS_CREATED);
    fsys::set_read_only(destination_path);
}

}  // namespace

std::string volume_name(const std::string& prefix, std::int32_t disk) {
    return prefix + std::to_string(disk) + ".DAT";
}

void open_volume(InstallState& st, std::int32_t disk) {
    for (int attempt = 1;; ++attempt) {
        if (attempt > 1) st.con.disk_request(disk);
        st.current_disk = disk;
        std::string name = volume_name(st.catalog.header.volume_prefix, disk);
        if (st.volume_fd.open(name)) return;
        // The first attempt is silent: a missing volume is only reported
        // once the user has been asked for its disk.
        if (attempt > 1) st.con.say(MSG_CANNOT_OPEN_FOR_READING, name.c_str());
    }
}

void install_files(InstallState& st) {
    Console& con = st.con;
    con.print("\n\n");
    st.current_disk = 0;
    for (const FileRecord& file : st.catalog.files) {
        const PackageRecord& package = st.catalog.packages[static_cast<std::size_t>(file.package)];
        if (package.selected == 0) continue;
        std::string destination_path = st.destination_drive + package.path + file.name;
        // A catalog entry that places a file before volume 1 or before the
        // start of a volume names no stored bytes at all.
        if (file.disk < 1 || file.offset < 0) {
            fatal(con, MSG_BAD_FILE_PLACE, destination_path.c_str(), file.disk, static_cast<long>(file.offset));
        }
        if (chkpath(st, destination_path) != 0) {
            con.say(MSG_NOT_INSTALLED, status_line, destination_path.c_str());
            continue;
        }
        install_one(st, file, destination_path);
    }
}
