// Start with Windows: one string value under the machine-wide Run key, named after the
// executable's fixed file name; and that fixed name itself.
#pragma once

#include "support/text.h"

constexpr const char* kOlderProgramFileName = "MorvaneKestrune.exe";

// Renames the running executable, inside its own folder, to programFileName; a failure
// (the name is taken, the folder is read-only) leaves both names as they were.
void RenameToProgramFileName();

// The data of the run value of that name; empty when the key or value is missing or not a string.
Text ReadRunValue(const char* valueName);
// The run value's data for a program path: the path in quotes, so that a path with spaces
// cannot be read as another program followed by arguments.
Text RunValueData(std::string_view path);
// Writes the run value, reads it back, and tells the user when it is not there.
void RegisterStartup(const char* valueName, const char* path);
// Deletes the run value, reads it back, and tells the user when it is still there (never for
// the older file name).
void UnregisterStartup(const char* valueName);
