#include "kittool/kit_reader.h"

#include <algorithm>
#include <iostream>

#include "kittool/error.h"
#include "kittool/kit.h"

namespace kittool {

namespace {

// The installer's message, less the blank lines it is framed with on a console.
std::string installer_message(const CatalogProblem& problem, const Catalog& catalog) {
    return trimmed(describe(problem, catalog, English));
}

}  // namespace

Catalog read_kit_catalog(const std::string& kit_directory) {
    Catalog catalog;
    catalog.catalog_name = kit_directory + "/" + kCatalogName;
    if (!open_catalog(catalog)) throw KitToolError("cannot open " + catalog.catalog_name);
    parse_catalog_header(catalog);
    bool at_capacity = false;
    if (auto problem = parse_package_table(catalog, at_capacity)) throw KitToolError(installer_message(*problem, catalog));
    if (auto problem = parse_file_table(catalog)) throw KitToolError(installer_message(*problem, catalog));
    return catalog;
}

std::string volume_file_name(const std::string& prefix, std::int32_t disk) {
    return prefix + std::to_string(disk) + ".DAT";
}

std::string volume_path(const std::string& kit_directory, const std::string& prefix, std::int32_t disk) {
    return kit_directory + "/" + volume_file_name(prefix, disk);
}

std::string catalog_path(const PackageRecord& package) {
    std::string path = package.path;
    if (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

std::string trimmed(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && (text[begin] == '\n' || text[begin] == '\r')) ++begin;
    std::size_t end = text.size();
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
    return std::string(text.substr(begin, end - begin));
}

bool parse_kit_arguments(const std::string& command, const std::vector<std::string>& args,
                         const std::vector<std::string>& known_flags, KitArguments& out) {
    auto usage_error = [&](const std::string& why) {
        std::cerr << "kittool " << command << ": " << why << "\n"
                  << "try 'kittool " << command << " --help'\n";
        return false;
    };
    bool have_directory = false;
    for (const std::string& a : args) {
        if (a == "-h" || a == "--help") {
            out.help = true;
            return true;  // the help is all that is asked for
        } else if (std::find(known_flags.begin(), known_flags.end(), a) != known_flags.end()) {
            out.flags.push_back(a);
        } else if (!a.empty() && a[0] == '-') {
            return usage_error("unknown option " + a);
        } else if (!have_directory) {
            out.directory = a;
            have_directory = true;
        } else {
            return usage_error("only one kit directory");
        }
    }
    return true;
}

}  // namespace kittool
