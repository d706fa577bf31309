#pragma once

#include <string>
#include <vector>

namespace testing_support {

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it
// (read-only files and directories included) when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Whole-file helpers; they fail the current test on error.
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool exists(const std::string& path);
bool is_directory(const std::string& path);
// Permission bits of a file (st_mode & 07777).
unsigned mode_of(const std::string& path);
// Every path below `root`, relative to it, sorted.
std::vector<std::string> list_tree(const std::string& root);

}  // namespace testing_support
