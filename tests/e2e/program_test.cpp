// The fixture every end-to-end test starts from.
#include "tests/e2e/program_test.h"

#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

HWND StartAndWaitForMain(ProgramUnderTest& program) {
    if (!program.Start()) {
        ADD_FAILURE() << "could not start " << BuiltProgramPath();
        return nullptr;
    }
    HWND main = program.WaitForWindow(kMainTitle);
    if (!main) ADD_FAILURE() << "no main window appeared";
    return main;
}

void ProgramTest::SetUp() {
    ResetEnvironment();
    taskbar_.reset(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
}

void ProgramTest::TearDown() {
    program_.Stop();
    ResetEnvironment();
}

void ProgramTest::Start() {
    main_ = StartAndWaitForMain(program_);
    ASSERT_NE(main_, nullptr);
}

Corner ProgramTest::DockCorner() const { return TopLeftOf(NotifyAreaOf(taskbar_.get())); }

Corner ProgramTest::CornerOnceDocked(HWND main, DWORD timeoutMs) const {
    return PollUntil([&] { return TopRightOf(main); }, DockCorner(), timeoutMs);
}
