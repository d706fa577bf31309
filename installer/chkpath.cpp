#include "installer/chkpath.h"

#include <string>

#include "common/trace.h"
#include "installer/fs.h"

namespace {

constexpr const char* kSeparators = "/\\";

}  // namespace

int chkpath(InstallState& st, std::string_view path) {
    TraceScope scope("chkpath");
    Console& con = st.con;

    // The working copy; every message shows the path as the caller wrote it.
    const std::string work(path);
    const bool names_directory = !work.empty() && fsys::is_separator(work.back());
    std::string::size_type cursor = work.find_first_of(kSeparators);

    // No path buffer of the installer holds more than kMaxPath characters, a
    // path without a separator gives the walk nowhere to start, and a NUL
    // would make the system see a shorter name than the one shown. Such a
    // path is refused before anything is created or written.
    if (work.size() > fsys::kMaxPath || cursor == std::string::npos || work.find('\0') != std::string::npos) {
        con.say(names_directory ? MSG_CANNOT_CREATE_DIRECTORY : MSG_CANNOT_CREATE_FILE, work.c_str());
        return 1;
    }

    // The text before the first separator (a drive, which cannot be created,
    // or nothing before a leading separator) is never looked at.
    while ((cursor = work.find_first_of(kSeparators, cursor + 1)) != std::string::npos) {
        const std::string prefix = work.substr(0, cursor);
        switch (fsys::status_of(prefix)) {
            case fsys::NameStatus::absent:
                if (!fsys::make_directory(prefix)) {
                    con.say(MSG_CANNOT_CREATE_DIRECTORY, prefix.c_str());
                    return 1;
                }
                break;
            case fsys::NameStatus::directory:
                break;
            case fsys::NameStatus::other:
                con.say(MSG_NOT_A_DIRECTORY, prefix.c_str());
                return 1;
        }
    }

    if (names_directory) return 0;

    switch (fsys::status_of(work)) {
        case fsys::NameStatus::directory:
            con.say(MSG_FILE_IS_DIRECTORY, work.c_str());
            return 1;
        case fsys::NameStatus::other:
            // The file itself is left alone here; making it writable and
            // replacing it is the install pass's work.
            if (st.prompt_before_overwrite == 0) return 0;
            con.say(MSG_ASK_OVERWRITE, status_line, work.c_str());
            return con.qyesno(1) != 0 ? 0 : 1;
        case fsys::NameStatus::absent:
            break;
    }
    if (!fsys::probe_create(work)) {
        con.say(MSG_CANNOT_CREATE_FILE, work.c_str());
        return 1;
    }
    return 0;
}
