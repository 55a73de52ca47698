// Start with Windows under User Account Control: a scheduled task that starts the program with
// its administrator rights when a member of the Administrators group logs on. Windows skips
// programs that need elevation in the Run key, so the run value alone starts nothing there.
#pragma once

#include "support/text.h"

constexpr const char* kStartupTaskName = "任务栏Kestrune";

// The task's definition for the program at this path, started in this folder: a logon trigger
// for any user, the Administrators group at its highest rights, one copy for each member's logon
// (instances in parallel), no time limit, on batteries too.
Text StartupTaskXml(std::string_view path, std::string_view folder);

// Registers (or replaces) the task and reads it back by name; a task that cannot be read back
// is deleted again, so that a failure leaves none.
bool RegisterStartupTask(std::string_view path, std::string_view folder);
// Deletes the task; true when no task of that name remains, a missing one included.
bool DeleteStartupTask();
bool StartupTaskExists();

// What the scheduler holds under the task's name. Outdated: a task whose policy ignores a logon
// while an earlier instance runs, as registered by an earlier version. Unknown: no answer (no
// service, no access, a definition that cannot be read).
enum class StartupTaskState { Missing, Outdated, Current, Unknown };
StartupTaskState ReadStartupTaskState();

// Whether the settings window registers the task without a word: the run value names the
// program and its file is there, and the task is missing (a machine set up before the task
// existed) or outdated (set up by an earlier version). A task that cannot be read is left alone.
bool StartupTaskWantsRestoring(bool runValueNamesProgram, bool programFileThere, StartupTaskState task);
// Reads the run value, the file and the task, and registers the task when it wants restoring.
void RestoreStartupTask(const char* valueName, std::string_view path, std::string_view folder);
