// For the tests that open and drive the program's own windows: no control name missed.
#pragma once

#include <gtest/gtest.h>

#include "ui/window_definitions.h"

constexpr const WindowDefinition* kProgramWindows[] = {&kMainWindow, &kMenuWindow, &kSettingsWindow};

inline void ResetProgramWindowMisses() {
    for (const WindowDefinition* window : kProgramWindows) ResetControlNameMisses(*window);
}

// Every name the program and the test used named a control of its window, and every event
// binding of the windows opened named one too.
inline void ExpectNoControlNameMissed() {
    for (const WindowDefinition* window : kProgramWindows) {
        EXPECT_EQ(ControlNameMisses(*window), 0) << window->title;
    }
    ResetProgramWindowMisses();
}
