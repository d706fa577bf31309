// What the installer can take as a name, a path or a header text. Each check
// returns an empty string when the text is fit, else why it is not.
#pragma once

#include <string>
#include <string_view>

namespace kittool::names {

// The catalog reader splits fields at white space and stops at Ctrl-Z, so
// neither may appear inside a field; other control characters are refused
// with them.
bool is_field_byte(unsigned char byte);

std::string check_package_name(std::string_view name);
// The path as it will be written: without a trailing separator.
std::string check_package_path(std::string_view path);
// A name relative to the package directory: not absolute, no empty parts,
// no ".." leading out of the package directory, not naming a directory.
std::string check_file_name(std::string_view name);
// A fixed-width header text: at most `width` bytes, no control characters.
std::string check_header_text(std::string_view text, std::size_t width);
std::string check_volume_prefix(std::string_view prefix);

}  // namespace kittool::names
