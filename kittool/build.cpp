#include "kittool/build.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "kittool/compress.h"
#include "kittool/error.h"
#include "kittool/volume_writer.h"

namespace fs = std::filesystem;

namespace kittool {

const char kBuildUsage[] =
    "usage: kittool build [options] DESCRIPTION\n"
    "\n"
    "Writes CATALOG.DAT and the volume files PREFIX1.DAT, PREFIX2.DAT, ... of a\n"
    "kit described in the text file DESCRIPTION.\n"
    "\n"
    "options:\n"
    "  -o, --output DIR       where to write the kit (default: the current\n"
    "                         directory; created if missing)\n"
    "  --volume-size BYTES    size of each volume file (default 1457664, a\n"
    "                         1.44 MB diskette); files go on across volume ends\n"
    "  --store                store every file plain\n"
    "  --compress             store every file LZW-compressed\n"
    "                         (default: compressed only when that is smaller)\n"
    "  --lf                   end catalog lines with LF (default: CR LF)\n"
    "  -h, --help             this text\n"
    "\n"
    "The description, one statement per line; blank lines and lines starting\n"
    "with # are ignored; CR LF or LF line ends:\n"
    "  type TEXT              kit type, at most 20 characters\n"
    "  licensee TEXT          licensee line, at most 40 characters\n"
    "  kit TEXT               kit description, 1 to 40 characters\n"
    "  prefix NAME            volume-file prefix, 1 to 20 characters, no\n"
    "                         blanks or separators\n"
    "  number N               the catalog's number line (default: the number\n"
    "                         of volumes); the installer does not use it\n"
    "  package NAME PATH yes|no\n"
    "                         starts a package: name (at most 20), default\n"
    "                         installation path (at most 129, no trailing\n"
    "                         separator needed), selected by default or not\n"
    "  file SOURCE [NAME]     adds SOURCE to the package as NAME (default: the\n"
    "                         last part of SOURCE)\n"
    "  tree DIRECTORY         adds every regular file below DIRECTORY, named\n"
    "                         by its path inside it, in sorted order; empty\n"
    "                         directories are not kept\n"
    "TEXT is the rest of the line, trailing blanks removed. SOURCE and\n"
    "DIRECTORY are relative to the description's directory.\n"
    "\n"
    "Refused, with nothing written: more than 15 packages or 500 files; names\n"
    "or paths with blanks or control characters; a file name over 127\n"
    "characters, absolute, or leading out of its package with \"..\"; a package\n"
    "path plus \"/\" plus file name over 127 characters; a file or a package\n"
    "over 2147483647 bytes. The installer puts the destination drive in front\n"
    "of every path within the same 127 characters: the longest path of the\n"
    "kit is reported so the room left for it is known.\n"
    "\n"
    "The same description and files always give the same bytes.\n"
    "Exit status: 0 kit written, 1 refused or failed, 2 usage error.\n";

namespace {

struct Source {
    const PlannedFile* file;
    int package;
    std::int64_t size;
};

// Sources are read a piece at a time through one buffer kept for the whole
// kit: a big file costs neither its size in memory nor the page faults of
// filling a fresh buffer for every file.
constexpr std::size_t kReadChunk = 256 * 1024;

KitToolError changed_while_building(const std::string& path) {
    return KitToolError(path + " changed while the kit was being built");
}

// Hands the `expected` bytes of a source file to `use` in chunks; refuses a
// file that is no longer the size it was planned with. `use` returns false
// to stop reading early, and then read_chunks returns false too.
template <typename Use>
bool read_chunks(const std::string& path, std::int64_t expected, std::vector<std::uint8_t>& buffer, Use&& use) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw KitToolError("cannot open " + path);
    auto left = static_cast<std::uint64_t>(expected);
    while (left > 0) {
        const std::size_t want = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
        in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(want));
        if (in.gcount() != static_cast<std::streamsize>(want)) throw changed_while_building(path);
        left -= want;
        if (!use(buffer.data(), want)) return false;
    }
    if (in.get() != std::char_traits<char>::eof()) throw changed_while_building(path);
    return true;
}

namespace packed_sink_detail {
// Held in a base class so the buffer exists before ByteSink is given it.
struct Storage {
    std::array<std::uint8_t, ByteSink::kMinReserve * 16> buffer{};
};
}  // namespace packed_sink_detail

// Holds a compressed file until it is known to be smaller than the plain one.
// The memory is kept from file to file and never zero-filled.
class PackedSink : private packed_sink_detail::Storage, public ByteSink {
public:
    PackedSink() : Storage(), ByteSink(buffer.data(), buffer.size()) {}

    bool flush() override {
        bytes_.insert(bytes_.end(), data(), data() + pending());
        reset();
        return true;
    }
    std::size_t size() const { return bytes_.size() + pending(); }
    const std::vector<std::uint8_t>& bytes() {
        flush();
        return bytes_;
    }
    void clear() {
        reset();
        bytes_.clear();
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// Every check against the installer's limits, before anything is written.
std::vector<Source> check_plan(const KitPlan& plan, std::size_t& longest_path) {
    std::vector<Source> sources;
    longest_path = 0;
    for (std::size_t p = 0; p < plan.packages.size(); ++p) {
        const PlannedPackage& package = plan.packages[p];
        std::int64_t package_size = 0;
        for (const PlannedFile& file : package.files) {
            if (sources.size() == kMaxFiles) {
                throw KitToolError("more than " + std::to_string(kMaxFiles) + " files in the kit");
            }
            const std::size_t path_length = package.path.size() + 1 + file.name.size();
            if (path_length > kMaxPath) {
                throw KitToolError("path " + package.path + "/" + file.name + " has " + std::to_string(path_length) +
                                   " characters, at most " + std::to_string(kMaxPath) + " are allowed");
            }
            longest_path = std::max(longest_path, path_length);
            std::error_code ec;
            if (!fs::is_regular_file(file.source, ec)) throw KitToolError(file.source + " is not a readable file");
            const auto size = static_cast<std::int64_t>(fs::file_size(file.source, ec));
            if (ec) throw KitToolError("cannot read " + file.source + ": " + ec.message());
            if (size > kMaxCatalogNumber) {
                throw KitToolError(file.source + " has " + std::to_string(size) + " bytes, at most " +
                                   std::to_string(kMaxCatalogNumber) + " are allowed");
            }
            package_size += size;
            if (package_size > kMaxCatalogNumber) {
                throw KitToolError("package " + package.name + " has more than " +
                                   std::to_string(kMaxCatalogNumber) + " bytes");
            }
            sources.push_back({&file, static_cast<int>(p), size});
        }
    }
    return sources;
}

bool parse_size(const std::string& text, std::int64_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 1 && value <= kMaxCatalogNumber;
}

}  // namespace

BuiltKit build_kit(const KitPlan& plan, const BuildOptions& options) {
    BuiltKit built;
    const std::vector<Source> sources = check_plan(plan, built.longest_path);

    Kit& kit = built.kit;
    kit.header = plan.header;
    for (const PlannedPackage& p : plan.packages) kit.packages.push_back({p.name, p.path, p.selected, 0});

    std::error_code ec;
    fs::create_directories(options.output_directory, ec);
    if (!fs::is_directory(options.output_directory)) {
        throw KitToolError("cannot create directory " + options.output_directory);
    }
    const std::string catalog_path = options.output_directory + "/" + kCatalogName;
    VolumeWriter volumes(options.output_directory, plan.header.volume_prefix, options.volume_size);
    try {
        LzwCompressor compressor;
        std::vector<std::uint8_t> chunk(kReadChunk);
        PackedSink packed;
        for (const Source& source : sources) {
            const std::string& path = source.file->source;
            const bool has_bytes = source.size > 0;
            bool compressed = false;
            std::int64_t stored_size = 0;
            VolumePosition at;
            if (options.store == StoreMode::smaller && has_bytes) {
                // Compressed only when smaller: held back until that is known,
                // and given up as soon as it has grown to the plain size.
                packed.clear();
                const bool read_all = read_chunks(path, source.size, chunk, [&](const std::uint8_t* p, std::size_t n) {
                    compressor.write(packed, p, n);
                    return static_cast<std::int64_t>(packed.size()) < source.size;
                });
                compressor.finish(packed);
                compressed = read_all && static_cast<std::int64_t>(packed.size()) < source.size;
                if (compressed) {
                    const std::vector<std::uint8_t>& bytes = packed.bytes();
                    at = volumes.start_file(true);
                    volumes.write(bytes.data(), bytes.size());
                    stored_size = static_cast<std::int64_t>(bytes.size());
                }
            } else if (options.store == StoreMode::compressed) {
                compressed = true;
                at = volumes.start_file(has_bytes);
                VolumeSink sink(volumes);
                read_chunks(path, source.size, chunk, [&](const std::uint8_t* p, std::size_t n) {
                    compressor.write(sink, p, n);
                    return true;
                });
                compressor.finish(sink);
                stored_size = sink.count();
            }
            if (!compressed) {
                at = volumes.start_file(has_bytes);
                read_chunks(path, source.size, chunk, [&](const std::uint8_t* p, std::size_t n) {
                    volumes.write(p, n);
                    return true;
                });
                stored_size = source.size;
            }
            kit.files.push_back(
                {source.package, compressed, source.size, stored_size, at.disk, at.offset, 0, source.file->name});
            kit.packages[static_cast<std::size_t>(source.package)].size += source.size;
        }
        volumes.finish();
        built.volumes = volumes.volumes();
        if (!plan.number_given) kit.header.number = volumes.volumes();

        std::ofstream catalog(catalog_path, std::ios::binary | std::ios::trunc);
        const std::string text = format_catalog(kit, options.line_end);
        catalog.write(text.data(), static_cast<std::streamsize>(text.size()));
        catalog.close();
        if (!catalog) throw KitToolError("cannot write " + catalog_path);
    } catch (const KitToolError&) {
        volumes.discard();
        std::remove(catalog_path.c_str());
        throw;
    }
    return built;
}

int build_command(const std::vector<std::string>& args) {
    BuildOptions options;
    std::string description;
    auto usage_error = [](const std::string& why) {
        std::cerr << "kittool build: " << why << "\n" << "try 'kittool build --help'\n";
        return 2;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const std::string& option, std::string& into) {
            if (a.rfind(option + "=", 0) == 0) {
                into = a.substr(option.size() + 1);
                return true;
            }
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        std::string v;
        if (a == "-h" || a == "--help") {
            std::cout << kBuildUsage;
            return 0;
        } else if (a == "-o" || a == "--output" || a.rfind("--output=", 0) == 0) {
            if (!value(a == "-o" ? "-o" : "--output", options.output_directory)) return usage_error(a + " needs a value");
        } else if (a == "--volume-size" || a.rfind("--volume-size=", 0) == 0) {
            if (!value("--volume-size", v) || !parse_size(v, options.volume_size)) {
                return usage_error("--volume-size needs a number of bytes from 1 to 2147483647");
            }
        } else if (a == "--store" || a == "--compress") {
            const StoreMode mode = a == "--store" ? StoreMode::plain : StoreMode::compressed;
            if (options.store != StoreMode::smaller && options.store != mode) {
                return usage_error("--store and --compress exclude each other");
            }
            options.store = mode;
        } else if (a == "--lf") {
            options.line_end = LineEnd::lf;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return usage_error("unknown option " + a);
        } else if (description.empty()) {
            description = a;
        } else {
            return usage_error("only one description file");
        }
    }
    if (description.empty()) return usage_error("no description file given");

    try {
        const KitPlan plan = read_manifest(description);
        const BuiltKit built = build_kit(plan, options);
        const std::size_t longest = built.longest_path;
        std::cout << "kittool: " << options.output_directory << "/" << kCatalogName << ": "
                  << built.kit.packages.size() << " packages, " << built.kit.files.size() << " files, "
                  << built.volumes << " volumes\n";
        std::cout << "kittool: longest path in the kit: " << longest << " characters; destinations of up to "
                  << (kMaxPath - longest) << " characters fit in front of it\n";
        if (kMaxPath - longest < 2) {
            std::cerr << "kittool build: warning: the longest path leaves no room for a destination drive\n";
        }
        return 0;
    } catch (const KitToolError& e) {
        std::cerr << "kittool build: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace kittool
