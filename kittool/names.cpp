#include "kittool/names.h"

#include <vector>

#include "kittool/kit.h"

namespace kittool::names {

namespace {

constexpr unsigned char kCtrlZ = 0x1A;

bool is_separator(char c) { return c == '/' || c == '\\'; }

std::string check_field(std::string_view text, std::string_view what, std::size_t max) {
    if (text.empty()) return std::string(what) + " is empty";
    if (text.size() > max) {
        return std::string(what) + " has " + std::to_string(text.size()) + " characters, at most " +
               std::to_string(max) + " are allowed";
    }
    for (char c : text) {
        if (!is_field_byte(static_cast<unsigned char>(c))) {
            return std::string(what) + " contains a blank or a control character";
        }
    }
    return {};
}

}  // namespace

bool is_field_byte(unsigned char byte) { return byte > ' ' && byte != 0x7F && byte != kCtrlZ; }

std::string check_package_name(std::string_view name) {
    return check_field(name, "package name", kMaxPackageName);
}

std::string check_package_path(std::string_view path) {
    std::string error = check_field(path, "package path", kMaxPackagePath);
    if (!error.empty()) return error;
    if (is_separator(path.back())) return "package path ends with a separator";
    return {};
}

std::string check_file_name(std::string_view name) {
    std::string error = check_field(name, "file name", kMaxFileName);
    if (!error.empty()) return error;
    if (is_separator(name.front())) return "file name is absolute";
    if (name.size() >= 2 && name[1] == ':') return "file name starts with a drive";
    // Walk the parts: ".." may go back up, but never above the package
    // directory, and the last part must name a file.
    int depth = 0;
    std::size_t start = 0;
    std::string_view last;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !is_separator(name[end])) ++end;
        const std::string_view part = name.substr(start, end - start);
        if (part.empty()) return "file name has an empty part (a doubled or trailing separator)";
        if (part == "..") {
            if (--depth < 0) return "file name climbs out of the package directory with \"..\"";
        } else if (part != ".") {
            ++depth;
        }
        last = part;
        start = end + 1;
    }
    if (last == "." || last == "..") return "file name names a directory, not a file";
    return {};
}

std::string check_header_text(std::string_view text, std::size_t width) {
    if (text.size() > width) {
        return "has " + std::to_string(text.size()) + " characters, at most " + std::to_string(width) +
               " are allowed";
    }
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < ' ' || byte == 0x7F) return "contains a control character";
    }
    return {};
}

std::string check_volume_prefix(std::string_view prefix) {
    std::string error = check_field(prefix, "volume prefix", kVolumePrefixWidth);
    if (!error.empty()) return error;
    for (char c : prefix) {
        if (is_separator(c) || c == ':') return "volume prefix must be a plain name (volumes lie beside the catalog)";
    }
    return {};
}

}  // namespace kittool::names
