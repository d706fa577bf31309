// kittool: builds, lists and verifies installer kits. Each
// subcommand is one entry of the table below.
#include <array>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "kittool/build.h"
#include "kittool/list.h"
#include "kittool/verify.h"

namespace {

struct Subcommand {
    std::string_view name;
    std::string_view summary;
    int (*run)(const std::vector<std::string>& args);  // arguments after the name; returns the exit status
};

constexpr std::array kSubcommands = {
    Subcommand{"build", "write CATALOG.DAT and the volume files from a kit description", kittool::build_command},
    Subcommand{"list", "show a kit's header, packages and files", kittool::list_command},
    Subcommand{"verify", "read and expand every file of a kit and check its sizes", kittool::verify_command},
};

void print_usage(std::ostream& out) {
    out << "usage: kittool COMMAND [options] ...\n\ncommands:\n";
    for (const Subcommand& s : kSubcommands) out << "  " << s.name << std::string(10 - s.name.size(), ' ') << s.summary << "\n";
    out << "\n'kittool COMMAND --help' describes a command.\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        print_usage(std::cerr);
        return 2;
    }
    if (args[0] == "-h" || args[0] == "--help") {
        print_usage(std::cout);
        return 0;
    }
    for (const Subcommand& s : kSubcommands) {
        if (args[0] == s.name) return s.run(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    std::cerr << "kittool: unknown command " << args[0] << "\n";
    print_usage(std::cerr);
    return 2;
}
