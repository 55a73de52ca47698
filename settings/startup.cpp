// The executable's fixed name, so that a registered path keeps naming the file that runs.
#include "settings/startup.h"

#include <windows.h>

#include "app/lifecycle.h"

void RenameToProgramFileName() {
    if (StartFileName().empty()) return;  // never recorded: nothing of ours to rename
    // Both names are relative: the current directory is the program's own folder.
    MoveFileA(StartFileName().c_str(), programFileName.c_str());
}
