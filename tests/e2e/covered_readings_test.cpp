// What covers the docked readings, on a display without a compositing manager: with one, Wine
// raises a window over any other wherever the X server reports part of it exposed (it takes an
// exposure to mean the window is on top there), and a redirected, colour-keyed window is exposed
// each time its text changes its shape, whatever lies over it. Windows orders windows by their
// calls alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "tests/e2e/docked.h"
#include "tests/support/pump.h"
#include "tests/support/test_main.h"

namespace {

// A click on the taskbar raises it, then the shell opens a menu over it (a notification-area
// icon's, anchored beside the readings and opened leftwards): a topmost window over the
// readings. They climb back over the taskbar, but never over the menu.
TEST_F(DockedReadings, StayBelowAMenuTheShellOpensOverThem) {
    SetWindowPos(taskbar_.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const RECT readings = MainRect();
    const RECT menuRect{readings.left - 120, readings.top - 60, readings.right - 8, readings.bottom};
    UniqueWindow menu = FrontWindow(WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, menuRect, SW_SHOW);
    const COLORREF menuColour = kFrontWindowColour;
    RECT covered{};
    IntersectRect(&covered, &readings, &menuRect);

    EXPECT_TRUE(PumpUntil([&] { return IsAbove(main_, taskbar_.get()); }, 100))
        << "the readings did not climb back over the taskbar";
    int samples = 0, readingsOverMenu = 0, belowTaskbar = 0, mostPixelsDrawnOver = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2000) {
        PumpFor(50);
        ++samples;
        if (IsAbove(main_, menu.get())) ++readingsOverMenu;
        if (!IsAbove(main_, taskbar_.get())) ++belowTaskbar;
        const int drawnOver = CountScreenPixels(covered, [&](COLORREF c) { return c != menuColour; }).matching;
        mostPixelsDrawnOver = std::max(mostPixelsDrawnOver, drawnOver);
    }
    EXPECT_EQ(readingsOverMenu, 0) << "of " << samples << " samples, the readings were above the menu";
    EXPECT_EQ(mostPixelsDrawnOver, 0) << "pixels of the menu drawn over by the readings";
    EXPECT_EQ(belowTaskbar, 0) << "of " << samples << " samples, the readings were below the taskbar";

    menu.reset();
    PumpFor(100);
    EXPECT_TRUE(IsAbove(main_, taskbar_.get())) << "after the menu closed";
    EXPECT_TRUE(PumpUntil([&] { return RootAtText() == main_; }, 500)) << "at the readings' text lies " << RootAtText();
}

}  // namespace

int main(int argc, char** argv) {
    return RunAllTestsWithPaths(argc, argv, "covered_readings_tests <path of the built kestrune.exe>",
                                {&SetBuiltProgramPath});
}
