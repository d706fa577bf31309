// A tiny catalog writer for the tests: header lines padded to their widths,
// package and file lines in the catalog's field order, and a way to read a
// catalog text back through the real reader.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "installer/catalog.h"

namespace catalog_fixture {

// `s` padded with blanks to `width`, then a line feed.
std::string fixed_line(const std::string& s, std::size_t width);

struct Header {
    std::string type = "TEST KIT";
    std::string licensee = "Test Licensee Ltd";
    std::string kit = "Test kit 1.0";
    std::string volume_prefix = "VOL";
};

// The five header lines, line 3 holding "1".
std::string header(const Header& h = {});
// "name path selected size\n"
std::string package_line(const std::string& name, const std::string& path, long selected = 1, long size = 1024);
// "package compressed output stored disk offset spare name\n"
std::string file_line(long package, const std::string& name, long size = 5, long offset = 0);
// A whole catalog: header, count and `count` packages p0.. with paths /p0..,
// then `body` (file lines).
std::string catalog(int count, const std::string& body = {});

// What reading a catalog text through the three steps gave.
struct Read {
    Catalog catalog;
    std::optional<CatalogProblem> problem;  // the first problem met, if any
    int failed_step = 0;                    // 2: package table, 3: file table
    bool at_capacity = false;
};

// Writes `text` as CATALOG.DAT in a fresh directory and reads it.
Read read(const std::string& text);

}  // namespace catalog_fixture
