// The run-wide state of one installation, owned by the driver and handed to
// every stage by reference.
#pragma once

#include <string>

#include "installer/catalog.h"
#include "installer/console.h"
#include "installer/fs.h"

struct InstallState {
    explicit InstallState(Console& console) : con(console) {}

    Console& con;                     // the dialogue, with its language
    std::string destination_drive;    // the argument, "c" made "c:"; leads every path
    Catalog catalog;                  // header, packages and files
    int prompt_before_overwrite = 0;  // ask before replacing an existing file
    int current_disk = 0;             // the open volume file's number, 0 for none
    fsys::InputFile volume_fd;        // the open volume file
};
