// One copy per logon session, kept by a named event that the first copy holds until it ends.
#pragma once

#include <windows.h>

// True when this process is the only copy (it then holds the event until it ends); false when
// another copy holds it. Ending the program is left to the caller.
bool ClaimSingleInstance();

// What creating the event answered, read: another copy holds it when it existed already, or when
// it exists and refuses this copy (made by a copy with other rights). Any other failure counts as
// no other copy, so that a broken event never keeps the program from running.
bool AnotherCopyHolds(bool handleReturned, DWORD lastError);
