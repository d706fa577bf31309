#include "kittool/verify.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>

#include <unistd.h>

#include "installer/lzw.h"
#include "kittool/counting_sink.h"
#include "kittool/error.h"
#include "kittool/kit_reader.h"
#include "kittool/progress.h"

namespace kittool {

const char kVerifyUsage[] =
    "usage: kittool verify [-q] [KITDIR]\n"
    "\n"
    "Tests the kit in KITDIR (default: the current directory) the way the\n"
    "installer would install it, without installing anything: reads the\n"
    "catalog, then every file's stored bytes from the volume files (going on\n"
    "at byte 0 of the next volume wherever one ends), expands every compressed\n"
    "file with the installer's expander, and compares each size with the one\n"
    "the catalog gives. One line per file, then a summary. A missing volume\n"
    "file is a fault, named with the file that needs it: no disk is asked for.\n"
    "On a terminal, a progress line on the standard error stream follows long\n"
    "runs.\n"
    "\n"
    "options:\n"
    "  -q, --quiet  show only the files at fault and the summary; no progress\n"
    "  -h, --help   this text\n"
    "\n"
    "Exit status: 0 every file is sound, 1 a file is at fault or the catalog\n"
    "cannot be read, 2 usage error.\n";

namespace {

FileCheck fault(std::string problem) { return FileCheck{false, std::move(problem)}; }

std::string bytes(std::int64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

// The file as the installer names it below the destination drive.
std::string shown_name(const Catalog& catalog, const FileRecord& file) {
    return catalog.packages[static_cast<std::size_t>(file.package)].path + file.name;
}

}  // namespace

FileCheck check_file(VolumeReader& volumes, const FileRecord& file, const std::function<void(std::int64_t)>& on_read) {
    // Before volume 1 or before the start of a volume no stored byte can lie.
    if (file.disk < 1 || file.offset < 0) {
        return fault("placed at disk " + std::to_string(file.disk) + ", offset " + std::to_string(file.offset) +
                     ", where no volume can hold it");
    }
    const bool compressed = file.compressed != 0;
    CountingSink sink;
    // Bounded as in the installer: a stream that would expand past the
    // catalog's size is stopped at it, so a bomb costs nothing.
    if (compressed) lzexpbfi(file.output_size);
    // The installer opens the file's volume even when nothing is to be read
    // from it, so a missing one would stop it there too.
    if (!volumes.start(file.disk, file.offset)) return fault(volumes.problem());

    std::array<std::uint8_t, kVolumeChunk> chunk;
    std::int64_t bytes_read = 0;
    std::int64_t bytes_out = 0;
    while (bytes_read < file.stored_size) {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::int64_t>(file.stored_size - bytes_read, kVolumeChunk));
        const long n = volumes.read(chunk.data(), wanted);
        if (n < 0) {
            return fault("after " + std::to_string(bytes_read) + " of " + bytes(file.stored_size) +
                         " stored: " + volumes.problem());
        }
        bytes_read += n;
        if (on_read) on_read(n);
        if (compressed) {
            const LzwStatus status = lzexpbf(sink, chunk.data(), static_cast<std::size_t>(n));
            bytes_out = status.bytes_out;
            if (status.error == LzwError::chain_limit) {
                return fault("corrupt compressed stream: a code needs more than " + std::to_string(kLzwMaxLinks) +
                             " links to expand (the installer stops with \"fatal error during code expansion\")");
            }
            if (status.error == LzwError::over_limit) {
                return fault("corrupt compressed stream: it expands past the " + bytes(file.output_size) +
                             " the catalog gives");
            }
        } else {
            bytes_out += n;
        }
    }
    if (bytes_out != file.output_size) {
        const std::string got = compressed ? "the stream expands to " + bytes(bytes_out)
                                           : bytes(std::max<std::int64_t>(file.stored_size, 0)) + " stored";
        return fault("size mismatch: " + got + ", the catalog gives " + bytes(file.output_size));
    }
    return FileCheck{};
}

int verify_command(const std::vector<std::string>& args) {
    KitArguments a;
    if (!parse_kit_arguments("verify", args, {"-q", "--quiet"}, a)) return 2;
    if (a.help) {
        std::cout << kVerifyUsage;
        return 0;
    }
    const bool quiet = !a.flags.empty();
    const std::string& directory = a.directory;

    Catalog catalog;
    try {
        catalog = read_kit_catalog(directory);
    } catch (const KitToolError& e) {
        std::cerr << "kittool verify: " << e.what() << "\n";
        return 1;
    }

    std::int64_t total_stored = 0;
    for (const FileRecord& f : catalog.files) total_stored += std::max<std::int32_t>(f.stored_size, 0);
    // stdout is written in lines through stdio so the progress line on
    // stderr can be cleared before each of them.
    Progress progress(stderr, !quiet && ::isatty(STDERR_FILENO) != 0, total_stored);
    auto say = [&](const std::string& line) {
        progress.clear();
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
    };

    std::printf("Kit: %s (%s)\n", trimmed(catalog.header.kit).c_str(), directory.c_str());
    std::fflush(stdout);
    VolumeReader volumes(directory, catalog.header.volume_prefix);
    std::size_t faults = 0;
    for (const FileRecord& file : catalog.files) {
        const std::string name = shown_name(catalog, file);
        const FileCheck check = check_file(volumes, file, [&](std::int64_t n) { progress.advance(n, name); });
        if (check.sound) {
            if (!quiet) say("    testing: " + name + "  OK\n");
            continue;
        }
        ++faults;
        say("    testing: " + name + "  FAILED: " + check.problem + "\n");
        // The next file opens its volume afresh rather than go on from
        // wherever this one stopped.
        volumes.close();
    }

    // Package sizes only feed the dialogue's K figures; a wrong one installs
    // fine, so it is noted, not counted as a fault.
    for (std::size_t p = 0; p < catalog.packages.size(); ++p) {
        std::int64_t sum = 0;
        for (const FileRecord& f : catalog.files)
            if (f.package == static_cast<std::int32_t>(p)) sum += f.output_size;
        const PackageRecord& package = catalog.packages[p];
        if (sum != package.size && !quiet) {
            say("    note: package " + package.name + " is given as " + bytes(package.size) + ", its files hold " +
                bytes(sum) + "\n");
        }
    }

    const std::size_t count = catalog.files.size();
    if (faults == 0) {
        say("No errors detected in the " + std::to_string(count) + (count == 1 ? " file" : " files") + " of " +
            directory + ".\n");
        return 0;
    }
    say(std::to_string(faults) + " of " + std::to_string(count) + (count == 1 ? " file" : " files") + " of " +
        directory + " at fault.\n");
    return 1;
}

}  // namespace kittool
