// The catalog reader on arbitrary bytes: whatever CATALOG.DAT holds, reading
// it ends with a loaded catalog that keeps every limit, or with one of the
// catalog's own problems, and never reads or writes out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <sys/mman.h>
#include <unistd.h>

#include "fuzz/check.h"
#include "installer/catalog.h"
#include "installer/fs.h"

using fuzzcheck::expect;

namespace {

// The catalog lives in an anonymous memory file, opened by the reader
// through its /proc name like any other file; nothing touches the disk.
int catalog_fd() {
    static const int fd = ::memfd_create("CATALOG.DAT", 0);
    return fd;
}

void store(const std::uint8_t* data, std::size_t size) {
    int fd = catalog_fd();
    expect(fd >= 0, "no memory file");
    expect(::ftruncate(fd, 0) == 0, "truncate failed");
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        expect(n > 0, "write failed");
        done += static_cast<std::size_t>(n);
    }
}

// A name that starts at a separator or climbs above where it starts.
bool leaves_its_directory(std::string_view name) {
    if (name.empty() || fsys::is_separator(name.front())) return true;
    int depth = 0;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = start;
        while (end < name.size() && !fsys::is_separator(name[end])) ++end;
        std::string_view part = name.substr(start, end - start);
        if (part == "..") --depth;
        else if (!part.empty() && part != ".") ++depth;
        if (depth < 0) return true;
        if (end == name.size()) return false;
        start = end + 1;
    }
}

bool is_catalog_problem(MsgKey key) {
    switch (key) {
        case MSG_UNEXPECTED_EOF:
        case MSG_NO_PACKAGE_COUNT:
        case MSG_TOO_MANY_PACKAGES:
        case MSG_NO_PACKAGES:
        case MSG_BAD_PACKAGE_LINE:
        case MSG_BAD_FILE_LINE:
        case MSG_TOO_MANY_FILES:
        case MSG_BAD_PACKAGE_NUMBER:
        case MSG_CANNOT_CLOSE:
        case MSG_CANNOT_READ_VOLUME:
            return true;
        default:
            return false;
    }
}

void check_problem(const CatalogProblem& p, const Catalog& catalog) {
    expect(is_catalog_problem(p.key), "a problem that is not the catalog's");
    for (Language language : {English, French}) {
        std::string text = describe(p, catalog, language);
        expect(!text.empty(), "a problem with no text");
        expect(text.find("%s") == std::string::npos && text.find("%d") == std::string::npos,
               "a problem's text left unformatted");
    }
}

void check_header(const CatalogHeader& h) {
    expect(h.type.size() <= kTypeWidth && h.licensee.size() <= kLicenseeWidth && h.kit.size() <= kKitWidth &&
               h.volume_prefix.size() <= kPrefixWidth,
           "a header field wider than its line");
    expect(h.volume_prefix.find(' ') == std::string::npos, "a blank in the volume prefix");
    for (const std::string* field : {&h.type, &h.licensee, &h.kit, &h.volume_prefix})
        expect(field->find('\0') == std::string::npos, "a NUL in a header field");
}

void check_packages(const Catalog& c) {
    expect(c.package_count >= 1 && c.package_count <= kMaxPackages, "package count out of range");
    expect(c.packages.size() == static_cast<std::size_t>(c.package_count), "package table and count disagree");
    for (const PackageRecord& p : c.packages) {
        expect(!p.name.empty() && p.name.size() <= kMaxPackageName, "package name out of bounds");
        expect(p.path.size() >= 2 && p.path.size() <= kMaxPackagePath + 1 && p.path.back() == '/',
               "package path out of bounds");
    }
}

void check_files(const Catalog& c) {
    expect(c.file_count >= 0 && c.file_count <= kMaxFiles, "file count out of range");
    expect(c.files.size() == static_cast<std::size_t>(c.file_count), "file table and count disagree");
    expect(!c.stream, "catalog left open");
    for (const FileRecord& f : c.files) {
        expect(f.package >= 0 && f.package < c.package_count, "file of no package");
        expect(!f.name.empty() && f.name.size() <= kMaxFileName, "file name out of bounds");
        expect(f.name.find('\0') == std::string::npos, "a NUL in a file name");
        expect(!leaves_its_directory(f.name), "a file name that leaves its package");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    store(data, size);
    Catalog catalog;
    catalog.catalog_name = "/proc/self/fd/" + std::to_string(catalog_fd());
    expect(open_catalog(catalog), "the catalog does not open");
    parse_catalog_header(catalog);
    check_header(catalog.header);

    bool at_capacity = false;
    if (std::optional<CatalogProblem> p = parse_package_table(catalog, at_capacity)) {
        check_problem(*p, catalog);
        return 0;
    }
    expect(at_capacity == (catalog.package_count == kMaxPackages), "capacity warning wrong");
    check_packages(catalog);

    if (std::optional<CatalogProblem> p = parse_file_table(catalog)) {
        check_problem(*p, catalog);
        return 0;
    }
    check_files(catalog);
    return 0;
}
