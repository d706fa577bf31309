#include "installer/driver.h"

#include "common/trace.h"
#include "installer/catalog_load.h"
#include "installer/extract.h"
#include "installer/fatal.h"
#include "installer/select.h"
#include "installer/state.h"

namespace {

// Both halves of the question, whatever the language, until E or F.
Language ask_language(Console& con) {
    for (;;) {
        con.write(MSG_CHOOSE_LANGUAGE_EN);
        con.write(MSG_CHOOSE_LANGUAGE_FR);
        int key = con.wait_key();
        if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
        con.print("\n");
        if (key == 'E') return English;
        if (key == 'F') return French;
    }
}

void show_header(InstallState& st) {
    const CatalogHeader& header = st.catalog.header;
    st.con.say(MSG_TYPE, header.type.c_str());
    st.con.say(MSG_KIT, header.kit.c_str());
    st.con.say(MSG_LICENSEE, header.licensee.c_str());
}

void finish(InstallState& st) {
    st.volume_fd.close();
    st.con.say(MSG_FINISHED, status_line);
    st.con.say(MSG_SET_ENVIRONMENT);
    st.con.say(MSG_END);
}

}  // namespace

std::string destination_drive_from(const std::string& argument) {
    if (argument.size() == 1 && ((argument[0] >= 'A' && argument[0] <= 'Z') || (argument[0] >= 'a' && argument[0] <= 'z')))
        return argument + ":";
    return argument;
}

int install_main(Console& con, const std::vector<std::string>& args) {
    TraceScope scope("install");
    // An argument too long for the path buffers is refused like a wrong
    // count of arguments: nothing is cut.
    if (args.size() != 1 || args[0].size() > fsys::kMaxPath) {
        con.write(MSG_USAGE);
        return kFatalStatus;
    }
    InstallState st(con);
    st.destination_drive = destination_drive_from(args[0]);

    con.write(banner());
    con.language = ask_language(con);
    con.say(MSG_INTRO_1);
    con.say(MSG_INTRO_2);

    read_catalog_header(st);
    show_header(st);
    read_package_table(st);
    select_packages(st);
    read_file_table(st);
    install_files(st);
    finish(st);
    return 0;
}
