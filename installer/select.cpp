#include "installer/select.h"

#include <cstdint>

#include "installer/chkpath.h"

namespace {

// The answer line: at most 125 characters, its line end included (a
// 126-byte read limit in a 128-byte buffer).
constexpr std::size_t kMaxAnswer = 125;
constexpr int kNameColumns = 20;

// Sizes are shown in K, the fraction dropped towards zero.
long in_k(std::int64_t bytes) { return static_cast<long>(bytes / 1024); }

// Asks for the path of a chosen package until chkpath accepts it; a refused
// path is the default of the next question.
void ask_path(InstallState& st, PackageRecord& package) {
    Console& con = st.con;
    for (;;) {
        con.say(MSG_ASK_PATH, package.path.c_str());
        std::string line = con.read_answer_line(kMaxAnswer);
        if (line != "\n") {
            line.back() = '/';
            package.path = line;
        }
        std::string full = st.destination_drive + package.path;
        // A full path too long for the installer's path buffers is refused
        // here without touching the file system.
        if (full.size() <= fsys::kMaxPath && chkpath(st, full) == 0) return;
        con.say(MSG_BAD_PATH, full.c_str());
    }
}

void show_summary(InstallState& st) {
    Console& con = st.con;
    con.say(MSG_SUMMARY_HEADING);
    std::int64_t total = 0;
    for (const PackageRecord& package : st.catalog.packages) {
        if (package.selected == 0) continue;
        con.print("%6ldK %-*.*s  %s%s\n", in_k(package.size), kNameColumns, kNameColumns, package.name.c_str(),
                  st.destination_drive.c_str(), package.path.c_str());
        total += package.size;
    }
    // The total is summed in bytes and divided once, not summed from the K shown.
    con.print(" ------\n%6ldK\n", in_k(total));
}

}  // namespace

void select_packages(InstallState& st) {
    Console& con = st.con;
    for (;;) {
        con.print("\n");
        for (PackageRecord& package : st.catalog.packages) {
            con.say(MSG_ASK_INSTALL_PACKAGE, package.name.c_str(), in_k(package.size));
            package.selected = con.qyesno(package.selected);
            if (package.selected == 0) {
                con.print("\n");
                continue;
            }
            ask_path(st, package);
        }
        show_summary(st);
        con.say(MSG_CHANGE_SELECTIONS);
        if (con.qyesno(0) == 0) break;
    }
    con.say(MSG_ASK_PROMPT_OVERWRITE);
    st.prompt_before_overwrite = con.qyesno(1);
    con.print("\n");
}
