#pragma once

// A tiny kit maker for tests: catalog text with its fixed-width header lines
// padded, and stored files laid out back to back over volume files of a
// given size. Compressed files are left to the real kit tool.

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct KitHeader {
    std::string type = "TEST KIT";              // padded to 20
    std::string licensee = "Test Licensee Ltd";  // padded to 40
    std::string kit = "Test kit 1.0";            // padded to 40
    std::string volume_prefix = "VOL";           // padded to 20
};

// The five header lines as the installer expects them (LF line ends).
std::string catalog_header(const KitHeader& header = {});

// A package size that stands for the sum of its files' sizes.
inline constexpr std::int64_t kSumOfFiles = INT64_MIN;

struct KitPackage {
    std::string name;
    std::string path;  // as in the catalog, without the "/" the installer adds
    int selected = 1;
    std::int64_t size = kSumOfFiles;
};

struct KitFile {
    int package = 0;
    std::string name;
    std::string data;        // the installed file's bytes
    int compressed = 0;      // non-zero: `stored` holds its LZW stream
    std::string stored = {};  // the stored bytes of a compressed file
};

struct StoredKit {
    std::string catalog;
    std::vector<std::string> volumes;  // volume 1 first
};

// Lays the files' bytes back to back from volume 1, cutting volumes at
// `volume_size` bytes, and writes the catalog lines for them.
StoredKit stored_kit(const KitHeader& header, const std::vector<KitPackage>& packages,
                     const std::vector<KitFile>& files, std::size_t volume_size = 1 << 20);

// Writes CATALOG.DAT and the volume files (prefix + n + ".DAT") into dir.
void write_kit(const std::string& dir, const StoredKit& kit, const std::string& volume_prefix = "VOL");

}  // namespace testing_support
