#include "kittool/manifest.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "kittool/error.h"
#include "kittool/names.h"

namespace fs = std::filesystem;

namespace kittool {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(std::string_view text) {
    std::size_t a = 0;
    std::size_t b = text.size();
    while (a < b && is_blank(text[a])) ++a;
    while (b > a && is_blank(text[b - 1])) --b;
    return std::string(text.substr(a, b - a));
}

std::vector<std::string> fields_of(const std::string& text) {
    std::vector<std::string> fields;
    std::istringstream in(text);
    std::string field;
    while (in >> field) fields.push_back(field);
    return fields;
}

void walk(const fs::path& directory, const std::string& relative, std::vector<std::string>& out) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
    if (ec) throw KitToolError("cannot read directory " + directory.string() + ": " + ec.message());
    std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
        return a.path().filename().string() < b.path().filename().string();
    });
    for (const fs::directory_entry& entry : entries) {
        const std::string name = relative + entry.path().filename().string();
        const fs::file_status link = entry.symlink_status();
        if (fs::is_directory(link)) {
            walk(entry.path(), name + "/", out);
        } else if (fs::is_regular_file(entry.status())) {
            out.push_back(name);
        } else {
            // Links to directories are not followed (no loops, no surprises);
            // devices and sockets have no bytes to ship.
            throw KitToolError(entry.path().string() + " is not a regular file or directory");
        }
    }
}

class ManifestReader {
public:
    explicit ManifestReader(const std::string& path) : path_(path) {
        base_ = fs::path(path).parent_path();
    }

    KitPlan read() {
        std::ifstream in(path_, std::ios::binary);
        if (!in) throw KitToolError("cannot open " + path_);
        std::string line;
        while (std::getline(in, line)) {
            ++line_number_;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string content = trimmed(line);
            if (content.empty() || content[0] == '#') continue;
            std::size_t split = 0;
            while (split < content.size() && !is_blank(content[split])) ++split;
            take(content.substr(0, split), trimmed(std::string_view(content).substr(split)));
        }
        for (const char* keyword : {"type", "licensee", "kit", "prefix"}) {
            if (seen_.count(keyword) == 0) fail(std::string("no \"") + keyword + "\" line in the description", false);
        }
        if (plan_.packages.empty()) fail("no package in the description", false);
        return std::move(plan_);
    }

private:
    [[noreturn]] void fail(const std::string& why, bool with_line = true) const {
        throw KitToolError(path_ + (with_line ? ":" + std::to_string(line_number_) : std::string()) + ": " + why);
    }

    std::string source_path(const std::string& source) const {
        const fs::path p(source);
        return (p.is_absolute() || base_.empty() ? p : base_ / p).string();
    }

    void header_text(const std::string& keyword, const std::string& value, std::size_t width, std::string& into) {
        if (!seen_.insert(keyword).second) fail("second \"" + keyword + "\" line");
        const std::string error = names::check_header_text(value, width);
        if (!error.empty()) fail(keyword + " " + error);
        into = value;
    }

    PlannedPackage& current_package(const std::string& keyword) {
        if (plan_.packages.empty()) fail("\"" + keyword + "\" before the first \"package\" line");
        return plan_.packages.back();
    }

    void add_file(const std::string& source, const std::string& name) {
        PlannedPackage& package = current_package("file");
        const std::string error = names::check_file_name(name);
        if (!error.empty()) fail(error + ": " + name);
        if (!names_in_package_.insert(name).second) fail("file name " + name + " is twice in package " + package.name);
        package.files.push_back({source, name});
    }

    void take(const std::string& keyword, const std::string& rest) {
        if (keyword == "type") return header_text(keyword, rest, kTypeWidth, plan_.header.type);
        if (keyword == "licensee") return header_text(keyword, rest, kLicenseeWidth, plan_.header.licensee);
        if (keyword == "kit") {
            if (rest.empty()) fail("kit description is empty");
            return header_text(keyword, rest, kKitWidth, plan_.header.kit);
        }
        if (keyword == "prefix") {
            if (!seen_.insert(keyword).second) fail("second \"prefix\" line");
            const std::string error = names::check_volume_prefix(rest);
            if (!error.empty()) fail(error);
            plan_.header.volume_prefix = rest;
            return;
        }
        if (keyword == "number") {
            if (!seen_.insert(keyword).second) fail("second \"number\" line");
            std::int64_t value = 0;
            const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
            if (ec != std::errc() || end != rest.data() + rest.size() || value < -kMaxCatalogNumber - 1 ||
                value > kMaxCatalogNumber) {
                fail("number must be a signed 32-bit decimal number");
            }
            plan_.header.number = value;
            plan_.number_given = true;
            return;
        }
        if (keyword == "package") {
            const std::vector<std::string> f = fields_of(rest);
            if (f.size() != 3 || (f[2] != "yes" && f[2] != "no")) fail("expected: package NAME PATH yes|no");
            if (plan_.packages.size() == kMaxPackages) {
                fail("more than " + std::to_string(kMaxPackages) + " packages");
            }
            std::string error = names::check_package_name(f[0]);
            if (!error.empty()) fail(error + ": " + f[0]);
            std::string path = f[1];
            // The installer appends the separator itself.
            while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
            error = names::check_package_path(path);
            if (!error.empty()) fail(error + ": " + f[1]);
            plan_.packages.push_back({f[0], path, f[2] == "yes", {}});
            names_in_package_.clear();
            return;
        }
        if (keyword == "file") {
            const std::vector<std::string> f = fields_of(rest);
            if (f.empty() || f.size() > 2) fail("expected: file SOURCE [NAME]");
            const std::string name = f.size() == 2 ? f[1] : fs::path(f[0]).filename().string();
            add_file(source_path(f[0]), name);
            return;
        }
        if (keyword == "tree") {
            if (rest.empty()) fail("expected: tree DIRECTORY");
            current_package("tree");
            const std::string directory = source_path(rest);
            if (!fs::is_directory(directory)) fail(directory + " is not a directory");
            for (const std::string& name : walk_tree(directory)) add_file(directory + "/" + name, name);
            return;
        }
        fail("unknown keyword \"" + keyword + "\"");
    }

    std::string path_;
    fs::path base_;
    int line_number_ = 0;
    KitPlan plan_;
    std::set<std::string> seen_;
    std::set<std::string> names_in_package_;
};

}  // namespace

std::vector<std::string> walk_tree(const std::string& directory) {
    std::vector<std::string> names;
    walk(fs::path(directory), "", names);
    return names;
}

KitPlan read_manifest(const std::string& manifest_path) { return ManifestReader(manifest_path).read(); }

}  // namespace kittool
