#include "kittool/list.h"

#include <cstdio>
#include <iostream>

#include "kittool/error.h"
#include "kittool/kit_reader.h"

namespace kittool {

const char kListUsage[] =
    "usage: kittool list [--tsv] [KITDIR]\n"
    "\n"
    "Shows the kit in KITDIR (default: the current directory) as the installer\n"
    "reads its CATALOG.DAT: the header lines, the packages (name, default\n"
    "selection, size, default path) and the files (sizes, method, saving, the\n"
    "disk and offset of the first stored byte, package, name). The volume\n"
    "files are not read; 'kittool verify' does that.\n"
    "\n"
    "options:\n"
    "  --tsv        one record per line, fields separated by tabs; a backslash,\n"
    "               tab, line feed or carriage return inside a field is written\n"
    "               \\\\, \\t, \\n or \\r; other bytes as they are (code page 850):\n"
    "                 header  TYPE  LICENSEE  KIT  VOLUME_PREFIX\n"
    "                 package INDEX  NAME  PATH  SELECTED  SIZE\n"
    "                 file    INDEX  PACKAGE  NAME  METHOD  OUTPUT_SIZE\n"
    "                         STORED_SIZE  DISK  OFFSET\n"
    "               METHOD is 'stored' or 'compressed'; SELECTED is 1 or 0.\n"
    "  -h, --help   this text\n"
    "\n"
    "Exit status: 0 listed, 1 the catalog cannot be opened or the installer\n"
    "would refuse it (its message is shown), 2 usage error.\n";

namespace {

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char line[512];
    int n = std::snprintf(line, sizeof line, pattern, args...);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof line) return std::string(line, static_cast<std::size_t>(n));
    std::string longer(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(longer.data(), longer.size(), pattern, args...);
    longer.resize(static_cast<std::size_t>(n));
    return longer;
}

const char* method_of(const FileRecord& file) { return file.compressed != 0 ? "compressed" : "stored"; }

// A field of a tab-separated record, which may hold no tab or line end.
std::string tsv_field(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::string tsv_record(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& f : fields) {
        if (!line.empty()) line += '\t';
        line += f;
    }
    return line + "\n";
}

std::string as_tsv(const Catalog& catalog) {
    const CatalogHeader& h = catalog.header;
    std::string out = tsv_record({"header", tsv_field(h.type), tsv_field(h.licensee), tsv_field(h.kit),
                                  tsv_field(h.volume_prefix)});
    for (std::size_t i = 0; i < catalog.packages.size(); ++i) {
        const PackageRecord& p = catalog.packages[i];
        out += tsv_record({"package", std::to_string(i), tsv_field(p.name), tsv_field(catalog_path(p)),
                           p.selected != 0 ? "1" : "0", std::to_string(p.size)});
    }
    for (std::size_t i = 0; i < catalog.files.size(); ++i) {
        const FileRecord& f = catalog.files[i];
        out += tsv_record({"file", std::to_string(i), std::to_string(f.package), tsv_field(f.name), method_of(f),
                           std::to_string(f.output_size), std::to_string(f.stored_size), std::to_string(f.disk),
                           std::to_string(f.offset)});
    }
    return out;
}

std::string as_table(const Catalog& catalog) {
    const CatalogHeader& h = catalog.header;
    std::string out;
    out += "Kit:      " + trimmed(h.kit) + "\n";
    out += "Type:     " + trimmed(h.type) + "\n";
    out += "Licensee: " + trimmed(h.licensee) + "\n";
    out += "Volumes:  " + h.volume_prefix + "1.DAT, " + h.volume_prefix + "2.DAT, ...\n\n";

    out += "Package               Default        Size  Path\n";
    out += "--------------------  -------  ----------  ----\n";
    std::int64_t default_total = 0;
    for (const PackageRecord& p : catalog.packages) {
        out += format("%-20s  %-7s  %10ld  %s\n", p.name.c_str(), p.selected != 0 ? "yes" : "no",
                      static_cast<long>(p.size), catalog_path(p).c_str());
        if (p.selected != 0) default_total += p.size;
    }
    out += format("%-20s  %-7s  ----------\n", "", "");
    out += format("%-20s  %-7s  %10lld  selected by default\n\n", "", "", static_cast<long long>(default_total));

    out += "    Length      Stored  Method      Cmpr  Disk      Offset  Package               Name\n";
    out += "----------  ----------  ----------  ----  ----  ----------  --------------------  ----\n";
    std::int64_t output_total = 0;
    std::int64_t stored_total = 0;
    for (const FileRecord& f : catalog.files) {
        const PackageRecord& p = catalog.packages[static_cast<std::size_t>(f.package)];
        out += format("%10ld  %10ld  %-10s  %3ld%%  %4ld  %10ld  %-20s  %s\n", static_cast<long>(f.output_size),
                      static_cast<long>(f.stored_size), method_of(f), saving_percent(f.output_size, f.stored_size),
                      static_cast<long>(f.disk), static_cast<long>(f.offset), p.name.c_str(), f.name.c_str());
        output_total += f.output_size;
        stored_total += f.stored_size;
    }
    // The totals stand under the sizes, the saving and the names.
    const std::string to_names(42, ' ');
    out += "----------  ----------              ----" + to_names + "-------\n";
    out += format("%10lld  %10lld              %3ld%%%s%zu file%s\n",
                  static_cast<long long>(output_total), static_cast<long long>(stored_total),
                  saving_percent(output_total, stored_total), to_names.c_str(), catalog.files.size(),
                  catalog.files.size() == 1 ? "" : "s");
    return out;
}

}  // namespace

long saving_percent(std::int64_t output_size, std::int64_t stored_size) {
    if (output_size <= 0) return 0;
    const std::int64_t saved = output_size - stored_size;
    // Rounded half away from zero, as a listing would show it.
    const std::int64_t scaled = saved * 200 / output_size;
    return static_cast<long>(scaled >= 0 ? (scaled + 1) / 2 : (scaled - 1) / 2);
}

std::string list_kit(const Catalog& catalog, ListFormat list_format) {
    return list_format == ListFormat::tsv ? as_tsv(catalog) : as_table(catalog);
}

int list_command(const std::vector<std::string>& args) {
    KitArguments a;
    if (!parse_kit_arguments("list", args, {"--tsv"}, a)) return 2;
    if (a.help) {
        std::cout << kListUsage;
        return 0;
    }
    const ListFormat list_format = a.flags.empty() ? ListFormat::table : ListFormat::tsv;
    const std::string& directory = a.directory;

    try {
        const Catalog catalog = read_kit_catalog(directory);
        std::cout << list_kit(catalog, list_format);
        std::cout.flush();
        return std::cout ? 0 : 1;
    } catch (const KitToolError& e) {
        std::cerr << "kittool list: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace kittool
