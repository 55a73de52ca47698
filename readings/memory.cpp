// The memory reading: the system's memory load in percent.
#include "readings/memory.h"

#include <windows.h>

#include "settings/config.h"
#include "ui/window_model.h"
#include "ui/windows.h"

int ReadMemoryLoad() {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return static_cast<int>(status.dwMemoryLoad);
}

void ShowMemoryLoad() {
    if (!SwitchIsOn(kMemorySwitch)) return;
    SetText(kMainWindow, "内存编辑框", JoinTexts(NumberToText(ReadMemoryLoad()), "%"));
}
