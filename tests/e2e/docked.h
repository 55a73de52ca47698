// The running program docked beside a taskbar stand-in, its text drawn, and windows of the test's
// own to put in front of it: for the tests of what covers what.
#pragma once

#include <windows.h>

#include "support/unique.h"
#include "tests/e2e/program_test.h"

// A window of the test's own in front of everything (grey), as a game, a film, a captioned
// program or a menu of the shell's.
UniqueWindow FrontWindow(DWORD style, DWORD exStyle, const RECT& rect, int show);
constexpr COLORREF kFrontWindowColour = RGB(128, 128, 128);

// True when `upper` lies above `lower` in the z-order.
bool IsAbove(HWND upper, HWND lower);

class DockedReadings : public ProgramTest {
protected:
    void SetUp() override;
    RECT MainRect() const { return WindowRect(main_); }
    HWND RootAtText() const { return GetAncestor(WindowFromPoint(text_), GA_ROOT); }
    // The readings are shown, docked, over the taskbar at their text, and not the foreground.
    bool BackOnTop() const;

    POINT text_{-1, -1};  // a drawn pixel of the readings' white text, where a click would reach them
};
