#include "kittool/catalog_writer.h"

namespace kittool {

namespace {

std::string padded(const std::string& text, std::size_t width) {
    std::string line = text.substr(0, width);
    line.resize(width, ' ');
    return line;
}

}  // namespace

std::string format_catalog(const Kit& kit, LineEnd line_end) {
    const std::string eol = line_end == LineEnd::crlf ? "\r\n" : "\n";
    std::string out;
    // The reader takes exactly `width` characters of each header line and
    // drops the next one, so the padding is what keeps it in step.
    out += padded(kit.header.type, kTypeWidth) + eol;
    out += padded(kit.header.licensee, kLicenseeWidth) + eol;
    out += std::to_string(kit.header.number) + eol;
    out += padded(kit.header.kit, kKitWidth) + eol;
    out += padded(kit.header.volume_prefix, kVolumePrefixWidth) + eol;
    out += std::to_string(kit.packages.size()) + eol;
    for (const KitPackage& p : kit.packages) {
        out += p.name + ' ' + p.path + ' ' + (p.selected ? "1" : "0") + ' ' + std::to_string(p.size) + eol;
    }
    for (const KitFile& f : kit.files) {
        out += std::to_string(f.package) + ' ' + (f.compressed ? "1" : "0") + ' ' + std::to_string(f.output_size) +
               ' ' + std::to_string(f.stored_size) + ' ' + std::to_string(f.disk) + ' ' + std::to_string(f.offset) +
               ' ' + std::to_string(f.spare) + ' ' + f.name + eol;
    }
    return out;
}

}  // namespace kittool
