// Start-up, the main window's creation handler, exit routines and the end of the program.
#pragma once

#include "support/text.h"

// The fixed file name the executable gives itself; also the name of its run value.
extern Text programFileName;
// How much wider the main window is while the CPU or the memory reading is shown.
extern int cpuColumnWidth;
extern int memoryColumnWidth;

// Folder of the running executable (without the last backslash) and the file name it was
// started under; recorded once at start-up.
const Text& ProgramDirectory();
const Text& StartFileName();
void RecordProgramLocation();

using ExitRoutine = void (*)();
void RegisterExitRoutine(ExitRoutine routine);
[[noreturn]] void ExitProgram(unsigned exitCode);

void MainWindowCreated();
// Alt+F4 on the readings: the program ends, exit code 0.
void MainWindowCloseRequested();

// Everything from process start to the end of the message loop.
int RunProgram();
