// The kit as the installer sees it: the header, the package table and the
// file table of the catalog, with the limits of the installer's catalog
// reader. Built by `kittool build`; the model for reading kits back too.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "installer/catalog.h"
#include "installer/fs.h"

namespace kittool {

// Catalog capacities and field widths: the installer's own, so a kit the
// tool accepts is always one the installer reads.
inline constexpr std::size_t kMaxPackages = static_cast<std::size_t>(::kMaxPackages);
inline constexpr std::size_t kMaxFiles = static_cast<std::size_t>(::kMaxFiles);
inline constexpr std::size_t kMaxPackageName = ::kMaxPackageName;
inline constexpr std::size_t kMaxPackagePath = ::kMaxPackagePath;
inline constexpr std::size_t kMaxFileName = ::kMaxFileName;
// package path + "/" + file name; the installer puts the destination drive
// in front as well, within the same limit.
inline constexpr std::size_t kMaxPath = fsys::kMaxPath;
inline constexpr std::size_t kTypeWidth = ::kTypeWidth;
inline constexpr std::size_t kLicenseeWidth = ::kLicenseeWidth;
inline constexpr std::size_t kKitWidth = ::kKitWidth;
inline constexpr std::size_t kVolumePrefixWidth = ::kPrefixWidth;
// Sizes, offsets and the package size are signed 32-bit in the catalog.
inline constexpr std::int64_t kMaxCatalogNumber = std::numeric_limits<std::int32_t>::max();

// A 1.44 MB diskette.
inline constexpr std::int64_t kDefaultVolumeSize = 1457664;

struct KitHeader {
    std::string type;           // line 1, at most kTypeWidth characters
    std::string licensee;       // line 2, at most kLicenseeWidth
    std::int64_t number = 0;    // line 3: read and not used by the installer
    std::string kit;            // line 4, at most kKitWidth, first character not a blank
    std::string volume_prefix;  // line 5: volume files are "<prefix><disk>.DAT"
};

struct KitPackage {
    std::string name;           // 1 to kMaxPackageName characters, no white space
    std::string path;           // default installation path, without a trailing separator
    bool selected = false;      // installed unless the user says otherwise
    std::int64_t size = 0;      // total output bytes of the package's files
};

struct KitFile {
    int package = 0;            // 0-based index into Kit::packages
    bool compressed = false;    // stored bytes are an LZW stream
    std::int64_t output_size = 0;  // size of the installed file
    std::int64_t stored_size = 0;  // bytes it takes in the volume files
    int disk = 1;               // volume holding the first stored byte, from 1
    std::int64_t offset = 0;    // offset of that byte within the volume
    std::int64_t spare = 0;     // not used; written as 0
    std::string name;           // relative to the package path, "/" separated
};

struct Kit {
    KitHeader header;
    std::vector<KitPackage> packages;
    std::vector<KitFile> files;
};

inline constexpr char kCatalogName[] = "CATALOG.DAT";

}  // namespace kittool
