#include "tests/support/kit.h"

#include "tests/support/tempdir.h"

namespace testing_support {

namespace {
std::string pad(const std::string& text, std::size_t width) {
    std::string s = text.substr(0, width);
    s.resize(width, ' ');
    return s;
}
}  // namespace

std::string catalog_header(const KitHeader& h) {
    return pad(h.type, 20) + "\n" + pad(h.licensee, 40) + "\n1\n" + pad(h.kit, 40) + "\n" + pad(h.volume_prefix, 20) + "\n";
}

StoredKit stored_kit(const KitHeader& header, const std::vector<KitPackage>& packages,
                     const std::vector<KitFile>& files, std::size_t volume_size) {
    StoredKit kit;
    kit.catalog = catalog_header(header);
    kit.catalog += std::to_string(packages.size()) + "\n";
    for (std::size_t p = 0; p < packages.size(); ++p) {
        std::int64_t size = packages[p].size;
        if (size == kSumOfFiles) {
            size = 0;
            for (const KitFile& f : files)
                if (f.package == static_cast<int>(p)) size += static_cast<std::int64_t>(f.data.size());
        }
        kit.catalog += packages[p].name + " " + packages[p].path + " " + std::to_string(packages[p].selected) + " " +
                       std::to_string(size) + "\n";
    }
    kit.volumes.emplace_back();
    for (const KitFile& f : files) {
        if (kit.volumes.back().size() == volume_size) kit.volumes.emplace_back();
        int disk = static_cast<int>(kit.volumes.size());
        std::size_t offset = kit.volumes.back().size();
        const std::string& bytes = f.compressed ? f.stored : f.data;
        for (char c : bytes) {
            if (kit.volumes.back().size() == volume_size) kit.volumes.emplace_back();
            kit.volumes.back() += c;
        }
        kit.catalog += std::to_string(f.package) + " " + std::to_string(f.compressed) + " " +
                       std::to_string(f.data.size()) + " " + std::to_string(bytes.size()) + " " + std::to_string(disk) + " " + std::to_string(offset) +
                       " 0 " + f.name + "\n";
    }
    return kit;
}

void write_kit(const std::string& dir, const StoredKit& kit, const std::string& volume_prefix) {
    write_file(dir + "/CATALOG.DAT", kit.catalog);
    for (std::size_t i = 0; i < kit.volumes.size(); ++i)
        write_file(dir + "/" + volume_prefix + std::to_string(i + 1) + ".DAT", kit.volumes[i]);
}

}  // namespace testing_support
