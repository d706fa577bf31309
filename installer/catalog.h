// The kit's catalog, CATALOG.DAT: its in-memory form and the reading of it.
// Reading is pure here (no printing, no exits): each step reports a
// CatalogProblem, which the installer prints and dies on, and which the kit
// tool reports in its own way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "installer/messages.h"

inline constexpr int kMaxPackages = 15;
inline constexpr int kMaxFiles = 500;
inline constexpr std::size_t kMaxPackageName = 20;
inline constexpr std::size_t kMaxPackagePath = 129;
inline constexpr std::size_t kMaxFileName = 127;
// Widths of the fixed-width header lines.
inline constexpr std::size_t kTypeWidth = 20;
inline constexpr std::size_t kLicenseeWidth = 40;
inline constexpr std::size_t kKitWidth = 40;
inline constexpr std::size_t kPrefixWidth = 20;

struct CatalogHeader {
    std::string type;           // line 1 as read, trailing blanks included
    std::string licensee;       // line 2 as read
    std::string kit;            // line 4 as read
    std::string volume_prefix;  // line 5 up to its first blank
};

struct PackageRecord {
    std::string name;           // at most 20 characters
    std::string path;           // ends with "/" once loaded
    std::int32_t size = 0;      // bytes; shown in K
    std::int32_t selected = 0;  // non-zero: to be installed
};

struct FileRecord {
    std::int32_t package = 0;      // 0-based index into the package table
    std::string name;              // destination name, relative to the package path
    std::int32_t compressed = 0;   // non-zero: the stored bytes are an LZW stream
    std::int32_t output_size = 0;  // bytes of the installed file
    std::int32_t stored_size = 0;  // bytes in the volume files
    std::int32_t disk = 0;         // volume holding the first stored byte, from 1
    std::int32_t offset = 0;       // where the stored bytes begin in that volume
    std::int32_t spare = 0;        // read and not used
};

// A message of the catalogue with its numeric arguments; texts that name a
// file name the catalog (Catalog::catalog_name).
struct CatalogProblem {
    MsgKey key;
    std::int32_t number = 0;    // the count or package number the message shows
    std::int32_t capacity = 0;  // the capacity the message shows
};

class CatalogText;  // the open catalog, read with DOS text conventions

struct Catalog {
    Catalog();
    ~Catalog();
    Catalog(Catalog&&) noexcept;
    Catalog& operator=(Catalog&&) noexcept;

    std::string catalog_name = "CATALOG.DAT";
    CatalogHeader header;
    std::vector<PackageRecord> packages;  // entries 0 .. package_count - 1
    std::int32_t package_count = 0;
    std::vector<FileRecord> files;        // entries 0 .. file_count - 1
    std::int32_t file_count = 0;
    std::unique_ptr<CatalogText> stream;  // open from the header to the file table
};

// Opens catalog.catalog_name (or its case-insensitive twin); false if it cannot.
bool open_catalog(Catalog& catalog);
// The three reading steps, in this order, on the open stream.
void parse_catalog_header(Catalog& catalog);
// `at_capacity` is set when the count is exactly 15 (a warning, shown before
// the package lines are read, then loading goes on).
std::optional<CatalogProblem> parse_package_table(Catalog& catalog, bool& at_capacity);
// Reads the file lines to the end and closes the stream.
std::optional<CatalogProblem> parse_file_table(Catalog& catalog);

// The problem's message, formatted in `language`.
std::string describe(const CatalogProblem& problem, const Catalog& catalog, Language language);
