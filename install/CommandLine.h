// The switches the program takes: "/uninstall", and "/quiet" with it;
// "/update /quiet"; "/install /quiet". Any other command line starts the program as before
// (arguments are ignored).
#pragma once

struct ProgramSwitches {
    bool uninstall = false;
    bool quiet = false;  // only with uninstall: no question, no box
    bool update = false;  // "/update /quiet" (and no "/uninstall"): the headless update
    bool install = false;  // "/install /quiet" (and neither of the others): the silent installation
};

// The words after the program's own path (quoted or not), compared without
// regard to case.
ProgramSwitches ParseSwitches(const char* commandLine);
