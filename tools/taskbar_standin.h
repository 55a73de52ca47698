// A stand-in for the shell's taskbar: a topmost "Shell_TrayWnd" with an empty title and a
// "TrayNotifyWnd" child, painted in a colour of its own so every other colour over it is ours.
#pragma once

#include <windows.h>

struct TaskbarPlacement {
    RECT taskbar;          // screen coordinates
    RECT notifyArea;       // client coordinates of the taskbar
    COLORREF colour;
};

// Along the bottom of the primary screen, 40 pixels high, the notification area the 200
// pixels at its right end.
TaskbarPlacement BottomTaskbar(COLORREF colour);

// Returns the taskbar window; the notification area is its only child. Destroying the
// taskbar destroys both.
HWND CreateTaskbarStandIn(const TaskbarPlacement& placement);
HWND NotifyAreaOf(HWND taskbar);
// Paints the same taskbar in another colour, as the shell does when the mode changes.
void RepaintTaskbarStandIn(HWND taskbar, COLORREF colour);

constexpr COLORREF kDarkTaskbarColour = RGB(32, 32, 40);
constexpr COLORREF kLightTaskbarColour = RGB(232, 232, 236);
