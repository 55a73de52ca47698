// The processor load, sampled every three seconds while its reading is shown.
#include "readings/cpu_load.h"

#include "settings/config.h"
#include "ui/window_model.h"
#include "ui/windows.h"

int cpuBusyPercent = 0;

// No sample is taken yet: the field keeps its design text while the switch is on.
void SampleCpuLoad() {}

void ShowCpuLoad() {
    if (!SwitchIsOn(kCpuSwitch)) return;
    if (cpuBusyPercent == 0) return;
    SetText(kMainWindow, "CPU占用编辑框", JoinTexts(NumberToText(cpuBusyPercent), "%"));
}
