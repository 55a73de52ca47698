// One copy per logon session, kept by a named event that the first copy holds until it ends.
#pragma once

// Returns when this process is the only copy; ends the program with exit code 0 otherwise.
void EnsureSingleInstance();
