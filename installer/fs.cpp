#include "installer/fs.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fsys {

std::string os_name(std::string_view path) {
    std::string name(path);
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

NameStatus status_of(std::string_view path) {
    struct stat st;
    if (::stat(os_name(path).c_str(), &st) != 0) return NameStatus::absent;
    return S_ISDIR(st.st_mode) ? NameStatus::directory : NameStatus::other;
}

bool make_directory(std::string_view path) { return ::mkdir(os_name(path).c_str(), 0777) == 0; }

bool probe_create(std::string_view path) {
    std::string name = os_name(path);
    // The name was found absent just before; O_EXCL makes sure the probe
    // never truncates a file that appeared in between.
    int fd = ::open(name.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(name.c_str());
    return true;
}

void clear_read_only(std::string_view path) {
    std::string name = os_name(path);
    struct stat st;
    if (::stat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return;
    ::chmod(name.c_str(), (st.st_mode & 07777) | S_IRUSR | S_IWUSR);
}

void set_read_only(std::string_view path) {
    std::string name = os_name(path);
    struct stat st;
    if (::stat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return;
    ::chmod(name.c_str(), (st.st_mode & 07777) & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH));
}

std::string resolve_case(std::string_view name) {
    std::string wanted = os_name(name);
    struct stat st;
    if (::stat(wanted.c_str(), &st) == 0) return wanted;
    std::string::size_type slash = wanted.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : wanted.substr(0, slash));
    std::string base = slash == std::string::npos ? wanted : wanted.substr(slash + 1);
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return wanted;
    std::string found;
    int matches = 0;
    while (dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, base.c_str()) == 0) {
            ++matches;
            found = e->d_name;
        }
    }
    ::closedir(d);
    // Only a single match is taken: two would make the choice a guess.
    if (matches != 1) return wanted;
    return slash == std::string::npos ? found : wanted.substr(0, slash + 1) + found;
}

// --- InputFile ----------------------------------------------------------

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool InputFile::open(std::string_view name) {
    close();
    fd_ = ::open(resolve_case(name).c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
}

long InputFile::read(void* buffer, std::size_t size) {
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        return static_cast<long>(n);
    }
}

bool InputFile::seek(std::int64_t offset) { return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0; }

bool InputFile::close() {
    if (fd_ < 0) return true;
    int r = ::close(fd_);
    fd_ = -1;
    return r == 0;
}

// --- OutputFile ---------------------------------------------------------

bool OutputFile::create(std::string_view path) {
    close();
    fd_ = ::open(os_name(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    return fd_ >= 0;
}

long OutputFile::write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd_, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done > 0 ? static_cast<long>(done) : -1;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

bool OutputFile::close() {
    if (fd_ < 0) return true;
    int r = ::close(fd_);
    fd_ = -1;
    return r == 0;
}

// --- FileSink -----------------------------------------------------------

bool FileSink::flush() {
    std::size_t n = pending();
    // Bytes with no open file to take them are lost, which is a failure too.
    if (n > 0 && (!file_.is_open() || file_.write(data(), n) != static_cast<long>(n))) failed_ = true;
    reset();
    return !failed_;
}

bool FileSink::close() {
    if (!file_.is_open()) return !failed_;
    flush();
    if (!file_.close()) failed_ = true;
    return !failed_;
}

}  // namespace fsys
