// Start-up and lifecycle: the spine from process start to the first reading and to the end.
#include "app/lifecycle.h"

#include <windows.h>
#include <ole2.h>

#include <vector>

#include "app/single_instance.h"
#include "readings/console_runner.h"
#include "readings/layout.h"
#include "readings/network.h"
#include "settings/config.h"
#include "settings/startup.h"
#include "ui/window_definitions.h"
#include "ui/window_model.h"

namespace {

using ExitRoutine = void (*)();
std::vector<ExitRoutine> g_exitRoutines;

void RegisterExitRoutine(ExitRoutine routine) {
    for (ExitRoutine known : g_exitRoutines) {
        if (known == routine) return;
    }
    g_exitRoutines.push_back(routine);
}

void ReleaseProgramFileName() { Text().swap(programFileName); }

}  // namespace

void ExitProgram(unsigned exitCode) {
    for (ExitRoutine routine : g_exitRoutines) routine();
    DestroyAllWindows();
    EndLingeringCommand();
    ReleaseInterfaceLibrary();
    OleUninitialize();
    ExitProcess(exitCode);
}

void MainWindowCreated() {
    programFileName = "任务栏Kestrune.exe";
    RenameToProgramFileName();
    if (!ClaimSingleInstance()) ExitProgram(0);  // another copy runs: end at once, without a word

    // The mouse layer covers the whole window, so a click anywhere on the readings reaches it.
    using MainControls::kMouseLayer;
    SetProperty(kMainWindow, kMouseLayer, Property::Top, 0);
    SetProperty(kMainWindow, kMouseLayer, Property::Width, GetProperty(kMainWindow, kTheWindow, Property::Width));
    SetProperty(kMainWindow, kMouseLayer, Property::Height, GetProperty(kMainWindow, kTheWindow, Property::Height));

    cpuColumnWidth = 30;
    memoryColumnWidth = 30;

    if (SwitchIsOn(kCpuSwitch)) {
        SetProperty(kMainWindow, kTheWindow, Property::Width,
                    GetProperty(kMainWindow, kTheWindow, Property::Width) + cpuColumnWidth);
        SetProperty(kMainWindow, MainControls::kCpuTimer, Property::Period, 3000);
    }
    if (SwitchIsOn(kMemorySwitch)) {
        SetProperty(kMainWindow, kTheWindow, Property::Width,
                    GetProperty(kMainWindow, kTheWindow, Property::Width) + memoryColumnWidth);
    }
}

void MainWindowCloseRequested() { ExitProgram(0); }

void CloseEntryClicked(int, int, int) { ExitProgram(0); }

int RunProgram() {
    OleInitialize(nullptr);
    CreateHiddenOwnerWindow();
    RecordProgramLocation();
    SetCurrentDirectoryA(FolderToEnter(ProgramDirectory()).c_str());
    RegisterExitRoutine(&ReleaseProgramFileName);

    OpenWindow(kMainWindow);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
