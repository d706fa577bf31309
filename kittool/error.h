// The one error of the kit tool: a message for the user, who gets it on the
// standard error stream with a non-zero status.
#pragma once

#include <stdexcept>
#include <string>

namespace kittool {

class KitToolError : public std::runtime_error {
public:
    explicit KitToolError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kittool
