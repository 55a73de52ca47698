// The executable's fixed name.
#pragma once

// Renames the running executable, inside its own folder, to programFileName; a failure
// (the name is taken, the folder is read-only) leaves both names as they were.
void RenameToProgramFileName();
