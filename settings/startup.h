// Start with Windows: one string value under the machine-wide Run key, named after the
// executable's fixed file name; that fixed name itself, and where the executable lies.
#pragma once

#include "support/text.h"

// The fixed file name the executable gives itself; also the name of its run value.
extern Text programFileName;
constexpr const char* kOlderProgramFileName = "MorvaneKestrune.exe";

// Folder of the running executable (without the last backslash) and the file name it was
// started under; recorded once at start-up.
const Text& ProgramDirectory();
void RecordProgramLocation();

// The two failure messages, shown in a message box with no owner.
constexpr const char* kRegisterFailed = "设置失败，请以管理员模式运行！";
constexpr const char* kUnregisterFailed = "删除失败，请以管理员模式运行！";
void TellUser(const char* message);

// Renames the running executable, inside its own folder, to programFileName; a failure
// (the name is taken, the folder is read-only) leaves both names as they were.
void RenameToProgramFileName();

// The data of the run value of that name; empty when the key or value is missing or not a string.
Text ReadRunValue(const char* valueName);
// The run value's data for a program path: the path in quotes, so that a path with spaces
// cannot be read as another program followed by arguments.
Text RunValueData(std::string_view path);
// Writes the run value, reads it back, and tells the user when it is not there. True when a file
// was there to register and the value reads back: the user has heard nothing yet.
bool RegisterStartup(const char* valueName, const char* path);
// Deletes the run value, reads it back, and tells the user when it is still there (never for
// the older file name). True when it is gone.
bool UnregisterStartup(const char* valueName);
