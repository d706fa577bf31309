// A kit made by the kit tool is read back by the installer's own catalog
// reader, and installed by the real installer into byte-identical files.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "installer/catalog.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

using namespace testing_support;

namespace {

std::string noise(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

std::string prose(std::size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += "line " + std::to_string(i % 97) + " of the installed text\r\n";
    s.resize(n);
    return s;
}

struct Sources {
    TempDir dir;
    Sources() {
        ::mkdir((dir / "src").c_str(), 0755);
        for (const char* d : {"src/base", "src/base/data", "src/base/data/deep", "src/extra"})
            ::mkdir((dir / d).c_str(), 0755);
        files = {
            {"src/base/README", prose(3000)},
            {"src/base/data/noise.bin", noise(70000, 1)},
            {"src/base/data/deep/text.dat", prose(90000)},
            {"src/base/empty", ""},
            {"src/extra/x.dat", noise(5000, 2)},
        };
        for (const auto& [name, bytes] : files) write_file(dir / name, bytes);
        write_file(dir / "kit.txt",
                   "type DEMO TYPE\nlicensee Someone\nkit Round trip kit\nprefix RT\n"
                   "package base /base yes\ntree src/base\n"
                   "package extra /opt/extra no\ntree src/extra\n");
    }
    std::vector<std::pair<std::string, std::string>> files;
};

TEST(KitRoundTrip, CatalogReadsBackWithTheInstallersReader) {
    Sources s;
    RunResult built = run({KITTOOL_BIN, "build", "-o", s.dir / "kit", "--volume-size", "20000", s.dir / "kit.txt"}, "");
    ASSERT_EQ(built.status, 0) << built.err;

    Catalog catalog;
    catalog.catalog_name = s.dir / "kit/CATALOG.DAT";
    ASSERT_TRUE(open_catalog(catalog));
    parse_catalog_header(catalog);
    bool at_capacity = true;
    ASSERT_FALSE(parse_package_table(catalog, at_capacity).has_value());
    ASSERT_FALSE(parse_file_table(catalog).has_value());
    EXPECT_FALSE(at_capacity);

    EXPECT_EQ(catalog.header.type, "DEMO TYPE           ");
    EXPECT_EQ(catalog.header.licensee, "Someone" + std::string(33, ' '));
    EXPECT_EQ(catalog.header.kit, "Round trip kit" + std::string(26, ' '));
    EXPECT_EQ(catalog.header.volume_prefix, "RT");
    ASSERT_EQ(catalog.package_count, 2);
    EXPECT_EQ(catalog.packages[0].name, "base");
    EXPECT_EQ(catalog.packages[0].path, "/base/");
    EXPECT_EQ(catalog.packages[0].selected, 1);
    EXPECT_EQ(catalog.packages[0].size, 3000 + 70000 + 90000);
    EXPECT_EQ(catalog.packages[1].path, "/opt/extra/");
    EXPECT_EQ(catalog.packages[1].selected, 0);
    ASSERT_EQ(catalog.file_count, 5);
    // Sorted tree walk: README, data/deep/text.dat, data/noise.bin, empty.
    EXPECT_EQ(catalog.files[0].name, "README");
    EXPECT_EQ(catalog.files[1].name, "data/deep/text.dat");
    EXPECT_NE(catalog.files[1].compressed, 0);
    EXPECT_LT(catalog.files[1].stored_size, catalog.files[1].output_size);
    EXPECT_EQ(catalog.files[2].name, "data/noise.bin");
    EXPECT_EQ(catalog.files[2].compressed, 0);
    EXPECT_EQ(catalog.files[2].stored_size, 70000);
    EXPECT_EQ(catalog.files[4].package, 1);
    // The stored bytes follow each other over the volumes.
    std::int64_t position = 0;
    for (const FileRecord& f : catalog.files) {
        EXPECT_EQ(f.disk, 1 + position / 20000) << f.name;
        EXPECT_EQ(f.offset, position % 20000) << f.name;
        position += f.stored_size;
    }
}

TEST(KitRoundTrip, InstallsByteIdenticalFiles) {
    Sources s;
    RunResult built = run({KITTOOL_BIN, "build", "-o", s.dir / "kit", "--volume-size", "20000", s.dir / "kit.txt"}, "");
    ASSERT_EQ(built.status, 0) << built.err;
    ::mkdir((s.dir / "dest").c_str(), 0755);
    RunOptions o;
    o.cwd = s.dir / "kit";
    // English; base: yes, default path; extra: yes, default path; no change; no prompting.
    RunResult r = run({INSTALL_BIN, s.dir / "dest"}, "e" "y\n" "y\n" "n" "n", o);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("Please put disk"), std::string::npos);
    for (const auto& [name, bytes] : s.files) {
        std::string installed = name;
        installed.replace(0, 4, "");  // drop "src/"
        installed = installed.rfind("base/", 0) == 0 ? "dest/" + installed : "dest/opt/" + installed;
        EXPECT_EQ(read_file(s.dir / installed), bytes) << installed;
        EXPECT_EQ(mode_of(s.dir / installed) & 0222, 0u) << installed;
    }
}

}  // namespace
