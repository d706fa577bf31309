#include "installer/catalog_load.h"

#include "installer/fatal.h"

namespace {

// Every catalog problem ends the run with its message, in the dialogue language.
[[noreturn]] void die(InstallState& st, const CatalogProblem& p) {
    const char* name = st.catalog.catalog_name.c_str();
    switch (p.key) {
        case MSG_TOO_MANY_PACKAGES:
        case MSG_TOO_MANY_FILES:
            fatal(st.con, p.key, p.number, p.capacity);
        case MSG_BAD_PACKAGE_NUMBER:
            fatal(st.con, p.key, p.number);
        case MSG_NO_PACKAGE_COUNT:
        case MSG_NO_PACKAGES:
            fatal(st.con, p.key);
        default:
            // MSG_UNEXPECTED_EOF, MSG_BAD_PACKAGE_LINE, MSG_BAD_FILE_LINE,
            // MSG_CANNOT_CLOSE: they name the catalog.
            fatal(st.con, p.key, name);
    }
}

}  // namespace

void read_catalog_header(InstallState& st) {
    // A missing catalog is never fatal: the user may still put disk 1 in.
    // Without a terminal the script's keys run out, which ends the run.
    while (!open_catalog(st.catalog)) {
        st.con.say(MSG_CANNOT_OPEN, st.catalog.catalog_name.c_str());
        st.con.disk_request(1);
    }
    parse_catalog_header(st.catalog);
}

void read_package_table(InstallState& st) {
    bool at_capacity = false;
    std::optional<CatalogProblem> p = parse_package_table(st.catalog, at_capacity);
    // The warning stands before anything the package lines may bring.
    if (at_capacity) st.con.say(MSG_PACKAGES_AT_CAPACITY, kMaxPackages, kMaxPackages);
    if (p) die(st, *p);
}

void read_file_table(InstallState& st) {
    std::optional<CatalogProblem> p = parse_file_table(st.catalog);
    if (p) die(st, *p);
}
