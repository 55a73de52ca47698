// Whether a full-screen program is in front of the taskbar, decided from plain facts about the
// foreground window; the taskbar steps back for such a program, and so do the readings.
#pragma once

#include <windows.h>

#include <string>

struct ForegroundFacts {
    bool exists = false;    // none on the lock screen and the secure desktop
    DWORD style = 0;
    RECT rect{};            // window rectangle, screen coordinates
    RECT taskbarMonitor{};  // the whole rectangle of the taskbar's monitor
    bool ours = false;      // one of this program's own windows
    bool desktop = false;   // the desktop window or the shell's own window
    std::string className;
};

// A visible foreground window without a title bar that covers all of the taskbar's monitor, and
// is neither the shell's nor this program's. The facts are weighed in the order they are
// declared, and a fact after the one that decides is never read: a caller may leave it unread.
bool FullScreenProgramInFront(const ForegroundFacts& foreground);
