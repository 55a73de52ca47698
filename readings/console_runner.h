// Runs one console command hidden through the system's own command interpreter and hands its
// output (standard output and error through one pipe) to a handler, chunk by chunk.
#pragma once

#include <windows.h>

#include "support/text.h"

// Takes one chunk as a NUL-terminated text; anything but 0 stops the run at once.
using OutputHandler = int (*)(const char* chunk);

// UTF-16 command line: the prefix without its terminator, then the command with its
// terminator, zero-filled so that command and zeros make 520 bytes (none past that).
ByteBuffer BuildCommandLine(std::string_view prefix, std::string_view command);
// "cmd.exe /c " on the NT platform, "command.com /c " elsewhere.
Text InterpreterPrefix();

// NotStarted also where no job could hold the run: then nothing of it is left running.
enum class RunOutcome { NotStarted, Ended, StoppedByHandler, TimedOut };

struct ConsoleRun {
    Text output;  // everything read, up to its first NUL byte
    RunOutcome outcome = RunOutcome::NotStarted;
};

// A run that has found no end within the limit is ended together with everything it started.
ConsoleRun RunConsoleCommandWithin(std::string_view command, OutputHandler handler, DWORD limitMs);

// How long a tool may take before it counts as hung: one that answers within 2 s is never cut off.
constexpr DWORD kConsoleRunLimitMs = 2500;
// How long a tool that answered may go on before it is ended with everything it started.
constexpr DWORD kLingerGraceMs = 1000;

// Ends what the last run left running; the next run does it before it starts another.
void EndLingeringCommand();
// Ends what the last run left running once it has had graceMs since the run to end by itself.
void RetireLingeringCommand(DWORD now, DWORD graceMs);
bool CommandIsLingering();
// Makes every run find no job object, as on systems that refuse nested jobs.
void RefuseJobsForTesting(bool refuse);
// After every look that finds the pipe empty, waits up to this long for the child to end before
// asking whether it has: the moment in which a tool can write its last output and end unnoticed,
// microseconds in a real run, made as wide as a test needs. 0, the default, waits not at all.
void PauseAfterEmptyPeekForTesting(DWORD ms);
