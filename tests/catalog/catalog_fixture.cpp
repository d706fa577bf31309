#include "tests/catalog/catalog_fixture.h"

#include <gtest/gtest.h>

#include "tests/support/tempdir.h"

namespace catalog_fixture {

std::string fixed_line(const std::string& s, std::size_t width) {
    std::string line = s;
    if (line.size() < width) line.append(width - line.size(), ' ');
    return line + "\n";
}

std::string header(const Header& h) {
    return fixed_line(h.type, kTypeWidth) + fixed_line(h.licensee, kLicenseeWidth) + "1\n" +
           fixed_line(h.kit, kKitWidth) + fixed_line(h.volume_prefix, kPrefixWidth);
}

std::string package_line(const std::string& name, const std::string& path, long selected, long size) {
    return name + " " + path + " " + std::to_string(selected) + " " + std::to_string(size) + "\n";
}

std::string file_line(long package, const std::string& name, long size, long offset) {
    return std::to_string(package) + " 0 " + std::to_string(size) + " " + std::to_string(size) + " 1 " +
           std::to_string(offset) + " 0 " + name + "\n";
}

std::string catalog(int count, const std::string& body) {
    std::string text = header() + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) text += package_line("p" + std::to_string(i), "/p" + std::to_string(i));
    return text + body;
}

Read read(const std::string& text) {
    testing_support::TempDir dir;
    testing_support::write_file(dir / "CATALOG.DAT", text);
    Read r;
    r.catalog.catalog_name = dir / "CATALOG.DAT";
    EXPECT_TRUE(open_catalog(r.catalog));
    parse_catalog_header(r.catalog);
    r.problem = parse_package_table(r.catalog, r.at_capacity);
    if (r.problem) {
        r.failed_step = 2;
        return r;
    }
    r.problem = parse_file_table(r.catalog);
    if (r.problem) r.failed_step = 3;
    return r;
}

}  // namespace catalog_fixture
