// Start-up and lifecycle: the spine from process start to the first reading and to the end.
#include "app/lifecycle.h"

#include <windows.h>
#include <ole2.h>

#include <utility>
#include <vector>

#include "app/single_instance.h"
#include "readings/console_runner.h"
#include "readings/network.h"
#include "settings/config.h"
#include "settings/startup.h"
#include "ui/window_model.h"
#include "ui/windows.h"

Text programFileName;
int cpuColumnWidth = 0;
int memoryColumnWidth = 0;

namespace {

Text g_programDirectory;
Text g_startFileName;
std::vector<ExitRoutine> g_exitRoutines;

void ReleaseProgramFileName() { Text().swap(programFileName); }

Text ModulePath() {
    Text path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // truncated: a long path
    }
}

}  // namespace

const Text& ProgramDirectory() { return g_programDirectory; }
const Text& StartFileName() { return g_startFileName; }

void RecordProgramLocation() {
    PathParts parts = SplitPath(ModulePath());
    g_programDirectory = std::move(parts.folder);
    g_startFileName = std::move(parts.fileName);
}

void RegisterExitRoutine(ExitRoutine routine) {
    for (ExitRoutine known : g_exitRoutines) {
        if (known == routine) return;
    }
    g_exitRoutines.push_back(routine);
}

void ExitProgram(unsigned exitCode) {
    for (ExitRoutine routine : g_exitRoutines) routine();
    DestroyAllWindows();
    EndLingeringCommand();
    ReleaseInterfaceLibrary();
    OleUninitialize();
    ExitProcess(exitCode);
}

void MainWindowCreated() {
    HWND window = GetWindowHandle(kMainWindow);
    SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, kTransparentColour, 0, LWA_COLORKEY);

    programFileName = "任务栏Kestrune.exe";
    RenameToProgramFileName();
    EnsureSingleInstance();

    // The mouse layer covers the whole window, so a click anywhere on the readings reaches it.
    SetProperty(kMainWindow, "透明标签3", Property::Top, 0);
    SetProperty(kMainWindow, "透明标签3", Property::Width, GetProperty(kMainWindow, kTheWindow, Property::Width));
    SetProperty(kMainWindow, "透明标签3", Property::Height, GetProperty(kMainWindow, kTheWindow, Property::Height));

    cpuColumnWidth = 30;
    memoryColumnWidth = 30;

    if (SwitchIsOn(kCpuSwitch)) {
        SetProperty(kMainWindow, kTheWindow, Property::Width,
                    GetProperty(kMainWindow, kTheWindow, Property::Width) + cpuColumnWidth);
        SetProperty(kMainWindow, "时钟3", Property::Period, 3000);
    }
    if (SwitchIsOn(kMemorySwitch)) {
        SetProperty(kMainWindow, kTheWindow, Property::Width,
                    GetProperty(kMainWindow, kTheWindow, Property::Width) + memoryColumnWidth);
    }
}

void MainWindowCloseRequested() { ExitProgram(0); }

int RunProgram() {
    OleInitialize(nullptr);
    CreateHiddenOwnerWindow();
    RecordProgramLocation();
    SetCurrentDirectoryA(FolderToEnter(g_programDirectory).c_str());
    RegisterExitRoutine(&ReleaseProgramFileName);

    OpenWindow(kMainWindow);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
