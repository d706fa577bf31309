// The file-system layer under chkpath and the install pass, on a real
// temporary tree. Names are given with "\" as DOS kits write them: the layer
// must hand the system "/" instead.

#include "installer/fs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/tempdir.h"

namespace {

using testing_support::exists;
using testing_support::is_directory;
using testing_support::list_tree;
using testing_support::mode_of;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

using Tree = std::vector<std::string>;

// Sets the process's umask for one test and puts the old one back.
class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : old_(::umask(mask)) {}
    ~UmaskGuard() { ::umask(old_); }

private:
    mode_t old_;
};

TEST(FsTest, OsNameTurnsEveryBackslashIntoASlash) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"c:\\base\\x.dat", "c:/base/x.dat"},
        {"c:\\base/data\\", "c:/base/data/"},
        {"\\\\", "//"},
        {"plain/name", "plain/name"},
        {"", ""},
    };
    for (const auto& [given, wanted] : cases) EXPECT_EQ(fsys::os_name(given), wanted) << given;
}

TEST(FsTest, StatusOfTellsAbsentDirectoryAndOther) {
    TempDir tmp;
    ASSERT_EQ(::mkdir((tmp / "dir").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((tmp / "dir/sub").c_str(), 0755), 0);
    write_file(tmp / "file", "x");
    ASSERT_EQ(::symlink("dir", (tmp / "link").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (tmp / "dangling").c_str()), 0);

    using fsys::NameStatus;
    const std::vector<std::pair<std::string, NameStatus>> cases = {
        {tmp / "none", NameStatus::absent},
        {tmp / "dir", NameStatus::directory},
        {tmp / "dir/", NameStatus::directory},
        {tmp.path() + "\\dir\\sub", NameStatus::directory},
        {tmp / "file", NameStatus::other},
        {tmp / "file/", NameStatus::absent},        // a file cannot be walked into
        {tmp / "file/below", NameStatus::absent},
        {tmp / "link", NameStatus::directory},      // the link is followed
        {tmp / "dangling", NameStatus::absent},
        {"/dev/null", NameStatus::other},
        {"", NameStatus::absent},
    };
    for (const auto& [name, wanted] : cases) EXPECT_EQ(fsys::status_of(name), wanted) << name;
}

TEST(FsTest, MakeDirectoryUsesTheDefaultPermissions) {
    TempDir tmp;
    UmaskGuard mask(027);
    EXPECT_TRUE(fsys::make_directory(tmp / "a"));
    EXPECT_EQ(mode_of(tmp / "a"), 0750u);
    // Backslashes make real directories, not a name with a backslash in it.
    EXPECT_TRUE(fsys::make_directory(tmp.path() + "\\a\\b"));
    EXPECT_TRUE(is_directory(tmp / "a/b"));
    EXPECT_TRUE(fsys::make_directory(tmp / "a/c/"));

    EXPECT_FALSE(fsys::make_directory(tmp / "a"));            // exists
    EXPECT_FALSE(fsys::make_directory(tmp / "missing/d"));    // no parent
    EXPECT_EQ(list_tree(tmp.path()), (Tree{"a", "a/b", "a/c"}));
}

TEST(FsTest, ProbeCreateLeavesNothingBehind) {
    TempDir tmp;
    ASSERT_EQ(::mkdir((tmp / "d").c_str(), 0755), 0);
    EXPECT_TRUE(fsys::probe_create(tmp / "d/x.dat"));
    EXPECT_TRUE(fsys::probe_create(tmp.path() + "\\d\\y.dat"));
    EXPECT_FALSE(fsys::probe_create(tmp / "missing/x.dat"));
    EXPECT_EQ(list_tree(tmp.path()), Tree{"d"});

    // A file that turns up between the status query and the probe is never
    // truncated by it.
    write_file(tmp / "d/there", "keep me");
    EXPECT_FALSE(fsys::probe_create(tmp / "d/there"));
    EXPECT_EQ(read_file(tmp / "d/there"), "keep me");
}

// Read-only means no write permission at all; clearing it gives the owner
// read and write and leaves the other bits as they were.
TEST(FsTest, ReadOnlyAttributeIsTheWritePermission) {
    struct Case {
        unsigned start;
        unsigned after_set;
        unsigned after_clear;
    };
    const std::vector<Case> cases = {
        {0644, 0444, 0644}, {0666, 0444, 0644}, {0600, 0400, 0600},
        {0000, 0000, 0600}, {0755, 0555, 0755}, {0640, 0440, 0640},
    };
    TempDir tmp;
    const std::string file = tmp / "f";
    write_file(file, "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        ASSERT_EQ(::chmod(file.c_str(), c.start), 0);
        fsys::set_read_only(file);
        EXPECT_EQ(mode_of(file), c.after_set);
        fsys::clear_read_only(tmp.path() + "\\f");
        EXPECT_EQ(mode_of(file), c.after_clear);
    }

    // Directories and absent names are left alone.
    ASSERT_EQ(::mkdir((tmp / "d").c_str(), 0755), 0);
    fsys::set_read_only(tmp / "d");
    EXPECT_EQ(mode_of(tmp / "d"), 0755u);
    fsys::clear_read_only(tmp / "none");
    fsys::set_read_only(tmp / "none");
    EXPECT_FALSE(exists(tmp / "none"));
}

TEST(FsTest, ResolveCaseFindsTheOneTwinOfAName) {
    TempDir tmp;
    ASSERT_EQ(::mkdir((tmp / "sub").c_str(), 0755), 0);
    write_file(tmp / "sub/DISK1.DAT", "1");
    write_file(tmp / "sub/Disk2.dat", "2");
    write_file(tmp / "sub/DISK2.DAT", "2");
    write_file(tmp / "sub/exact.dat", "e");
    write_file(tmp / "sub/EXACT.DAT", "E");

    const std::vector<std::pair<std::string, std::string>> cases = {
        {tmp / "sub/disk1.dat", tmp / "sub/DISK1.DAT"},
        {tmp.path() + "\\sub\\disk1.dat", tmp / "sub/DISK1.DAT"},
        {tmp / "sub/exact.dat", tmp / "sub/exact.dat"},      // the name itself first
        {tmp / "sub/disk2.dat", tmp / "sub/disk2.dat"},      // two twins: no guess
        {tmp / "sub/disk3.dat", tmp / "sub/disk3.dat"},      // none
        {tmp / "SUB/disk1.dat", tmp / "SUB/disk1.dat"},      // only the last part is matched
    };
    for (const auto& [given, wanted] : cases) EXPECT_EQ(fsys::resolve_case(given), wanted) << given;
}

TEST(FsTest, InputFileReadsSeeksAndCloses) {
    TempDir tmp;
    write_file(tmp / "VOL1.DAT", "0123456789");

    fsys::InputFile in;
    EXPECT_FALSE(in.open(tmp / "none"));
    ASSERT_TRUE(in.open(tmp / "vol1.dat"));   // its case-insensitive twin
    char buffer[16] = {};
    EXPECT_EQ(in.read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    ASSERT_TRUE(in.seek(7));
    EXPECT_EQ(in.read(buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer, 3), "789");
    EXPECT_EQ(in.read(buffer, sizeof buffer), 0);   // the end
    ASSERT_TRUE(in.seek(100));
    EXPECT_EQ(in.read(buffer, sizeof buffer), 0);

    // Moving hands the descriptor over; the one moved into is closed first.
    fsys::InputFile other;
    ASSERT_TRUE(other.open(tmp / "VOL1.DAT"));
    const int fd = other.fd();
    in = std::move(other);
    EXPECT_EQ(in.fd(), fd);
    EXPECT_FALSE(other.is_open());
    EXPECT_TRUE(in.close());
    EXPECT_FALSE(in.is_open());
    EXPECT_EQ(in.read(buffer, 1), -1);
    EXPECT_TRUE(in.close());   // closing twice is harmless
}

TEST(FsTest, OutputFileCreatesOrTruncatesForTheOwner) {
    TempDir tmp;
    UmaskGuard mask(022);
    ASSERT_EQ(::mkdir((tmp / "d").c_str(), 0755), 0);
    write_file(tmp / "d/x.dat", "a much longer old content");

    {
        fsys::OutputFile out;
        ASSERT_TRUE(out.create(tmp.path() + "\\d\\x.dat"));
        EXPECT_EQ(out.write("new", 3), 3);
        EXPECT_TRUE(out.close());
    }
    EXPECT_EQ(read_file(tmp / "d/x.dat"), "new");
    {
        fsys::OutputFile out;
        ASSERT_TRUE(out.create(tmp / "d/y.dat"));
    }
    EXPECT_EQ(mode_of(tmp / "d/y.dat"), 0600u);
    EXPECT_EQ(read_file(tmp / "d/y.dat"), "");

    fsys::OutputFile out;
    EXPECT_FALSE(out.create(tmp / "missing/x.dat"));
    EXPECT_EQ(out.write("x", 1), -1);
    EXPECT_EQ(list_tree(tmp.path()), (Tree{"d", "d/x.dat", "d/y.dat"}));

    // A full disk shows in the count.
    ASSERT_TRUE(out.create("/dev/full"));
    EXPECT_EQ(out.write("x", 1), -1);
}

TEST(FsTest, FileSinkWritesBeyondItsBufferAndReportsFailure) {
    TempDir tmp;
    std::string wanted;
    for (std::size_t i = 0; i < 3 * fsys::FileSink::kBufferSize + 17; ++i)
        wanted += static_cast<char>(i * 7 % 251);
    {
        fsys::FileSink sink;
        ASSERT_TRUE(sink.create(tmp / "out"));
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(wanted.data());
        sink.write(bytes, 1000);
        for (std::size_t i = 1000; i < 2000; ++i) sink.put(bytes[i]);
        std::uint8_t* room = sink.reserve(ByteSink::kMinReserve);
        std::copy(bytes + 2000, bytes + 2000 + ByteSink::kMinReserve, room);
        sink.commit(ByteSink::kMinReserve);
        const std::size_t done = 2000 + ByteSink::kMinReserve;
        sink.write(bytes + done, wanted.size() - done);
        EXPECT_TRUE(sink.close());
        EXPECT_FALSE(sink.failed());
    }
    EXPECT_EQ(read_file(tmp / "out"), wanted);

    fsys::FileSink full;
    ASSERT_TRUE(full.create("/dev/full"));
    full.put('x');
    EXPECT_FALSE(full.close());
    EXPECT_TRUE(full.failed());
}

}  // namespace
