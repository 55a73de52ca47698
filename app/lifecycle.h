// Start-up, the main window's creation handler, exit routines and the end of the program.
#pragma once

[[noreturn]] void ExitProgram(unsigned exitCode);

void MainWindowCreated();
// A close request sent to the readings by another program: the program ends, exit code 0.
void MainWindowCloseRequested();
// The menu's close entry: the program ends, exit code 0.
void CloseEntryClicked(int x, int y, int keys);

// Everything from process start to the end of the message loop.
int RunProgram();
