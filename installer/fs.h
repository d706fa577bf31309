// The file-system layer: every call the installer and the kit tool make to
// the operating system's files goes through here. Paths come from DOS kits,
// where "\" separates directories as "/" does; on Linux "\" would be an
// ordinary character, so every name handed to the system has its "\" turned
// into "/". Messages keep showing paths as written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <sys/types.h>

#include "installer/bytesink.h"

namespace fsys {

// The longest path the installer handles (a 128-byte buffer and its terminator).
inline constexpr std::size_t kMaxPath = 127;

inline bool is_separator(char c) { return c == '/' || c == '\\'; }

// The name as the operating system must see it.
std::string os_name(std::string_view path);

enum class NameStatus { absent, directory, other };
NameStatus status_of(std::string_view path);

bool make_directory(std::string_view path);
// Creates the absent file and removes it again: can a file be created here?
bool probe_create(std::string_view path);
// Makes the file readable and writable by its owner (the read-only attribute cleared).
void clear_read_only(std::string_view path);
// Takes every write permission away (the read-only attribute set).
void set_read_only(std::string_view path);

// Kits copied from DOS disks often carry their names in another case. The
// name itself when it exists; otherwise the one entry of its directory whose
// name matches it without regard to case; otherwise the name unchanged.
std::string resolve_case(std::string_view name);

// A file open for reading, closed when the object goes.
class InputFile {
public:
    InputFile() = default;
    ~InputFile() { close(); }
    InputFile(InputFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens the name, or its case-insensitive twin.
    bool open(std::string_view name);
    bool is_open() const { return fd_ >= 0; }
    // Bytes read (0 at the end), or -1 when the read fails.
    long read(void* buffer, std::size_t size);
    bool seek(std::int64_t offset);
    // False when closing fails.
    bool close();
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

// A destination file open for writing (created or truncated, owner read and
// write), written through a descriptor.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool create(std::string_view path);
    bool is_open() const { return fd_ >= 0; }
    // Bytes written, or -1; writes all it can, retrying short writes.
    long write(const void* data, std::size_t size);
    bool close();

private:
    int fd_ = -1;
};

// A destination file as a buffered byte stream, for expanded output. Any
// failed write or close is remembered, so the caller can refuse to report
// a full disk as success.
class FileSink : public ByteSink {
public:
    static constexpr std::size_t kBufferSize = 65536;

    FileSink() : ByteSink(buffer_, kBufferSize) {}
    ~FileSink() override { close(); }

    bool create(std::string_view path) { return file_.create(path); }
    bool flush() override;
    // Flushes and closes; false if any write or the close failed.
    bool close();
    bool failed() const { return failed_; }

private:
    OutputFile file_;
    bool failed_ = false;
    std::uint8_t buffer_[kBufferSize];
};

}  // namespace fsys
