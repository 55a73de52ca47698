// The fixture every end-to-end test starts from: a clean environment, a taskbar stand-in, and
// a copy of the program that is started on demand and always ended.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "support/unique.h"
#include "tests/e2e/program_under_test.h"

// Starts the program and waits for its main window; nullptr, with a failure that says which
// step failed, otherwise.
HWND StartAndWaitForMain(ProgramUnderTest& program);

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Starts program_ and finds its main window (main_).
    void Start();
    // Where a docked main window has its top right corner: the notification area's top left.
    Corner DockCorner() const;
    // The main window's top right corner once it is there, or the last one seen:
    // EXPECT_EQ(CornerOnceDocked(main_), DockCorner()).
    Corner CornerOnceDocked(HWND main, DWORD timeoutMs = 2000) const;

    UniqueWindow taskbar_;
    ProgramUnderTest program_;
    HWND main_ = nullptr;
};
