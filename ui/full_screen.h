// Whether a full-screen program is in front of the taskbar, decided from plain facts about the
// foreground window; the taskbar steps back for such a program, and so do the readings.
#pragma once

#include <windows.h>

#include <string>

struct ForegroundFacts {
    bool exists = false;            // none on the lock screen and the secure desktop
    bool ours = false;              // one of this program's own windows
    std::string className;
    bool desktop = false;           // the desktop window or the shell's own window
    DWORD style = 0;
    RECT rect{};                    // window rectangle, screen coordinates
    bool onTaskbarMonitor = false;  // the monitor it is mostly on is the taskbar's
    RECT taskbarMonitor{};          // that monitor's whole rectangle
};

// A visible foreground window of another program, not the shell's, on the taskbar's monitor,
// covering all of that monitor and without a title bar.
bool FullScreenProgramInFront(const ForegroundFacts& foreground);
