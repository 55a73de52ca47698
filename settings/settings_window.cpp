// The settings window: three check boxes that take effect at once. Each click stores its new
// state first, then changes the main window, whose layout reads the switch just stored.
#include "settings/settings_window.h"

#include "readings/cpu_load.h"
#include "readings/layout.h"
#include "settings/config.h"
#include "settings/startup.h"
#include "settings/startup_task.h"
#include "ui/window_definitions.h"
#include "ui/window_model.h"

using namespace SettingsControls;

namespace {

bool IsChecked(const char* box) { return GetProperty(kSettingsWindow, box, Property::Checked) != 0; }

void WidenMainWindow(int by) {
    SetProperty(kMainWindow, kTheWindow, Property::Width, GetProperty(kMainWindow, kTheWindow, Property::Width) + by);
}

Text ProgramPath() { return JoinTexts(ProgramDirectory(), "\\", programFileName); }
// The task's working folder: a drive's root with its backslash, as for the current folder.
Text ProgramFolder() { return FolderToEnter(ProgramDirectory()); }

}  // namespace

void SettingsWindowCreated() {
    RenameToProgramFileName();
    SetProperty(kSettingsWindow, kStartupBox, Property::Checked, !ReadRunValue(programFileName.c_str()).empty());
    RestoreStartupTask(programFileName.c_str(), ProgramPath(), ProgramFolder());
    SetProperty(kSettingsWindow, kCpuBox, Property::Checked, SwitchIsOn(kCpuSwitch));
    SetProperty(kSettingsWindow, kMemoryBox, Property::Checked, SwitchIsOn(kMemorySwitch));
}

void CpuSwitchClicked() {
    const bool on = IsChecked(kCpuBox);
    WriteSwitch(kCpuSwitch, on ? "1" : "");
    WidenMainWindow(on ? cpuColumnWidth : -cpuColumnWidth);
    SetProperty(kMainWindow, MainControls::kCpuTimer, Property::Period, on ? 3000 : 0);
    if (!on) StopCpuSampling();
}

void MemorySwitchClicked() {
    const bool on = IsChecked(kMemoryBox);
    WriteSwitch(kMemorySwitch, on ? "1" : "");
    WidenMainWindow(on ? memoryColumnWidth : -memoryColumnWidth);
}

// One message at most per click: the task's failure is told only when the run value's was not.
void StartupSwitchClicked() {
    if (IsChecked(kStartupBox)) {
        if (RegisterStartup(programFileName.c_str(), ProgramPath().c_str()) &&
            !RegisterStartupTask(ProgramPath(), ProgramFolder())) {
            TellUser(kRegisterFailed);
        }
    } else {
        const bool valueGone = UnregisterStartup(programFileName.c_str());
        UnregisterStartup(kOlderProgramFileName);
        if (!DeleteStartupTask() && valueGone) TellUser(kUnregisterFailed);
    }
}
