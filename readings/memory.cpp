// The memory reading: the system's memory load in percent.
#include "readings/memory.h"

#include <windows.h>

#include "settings/config.h"
#include "ui/window_definitions.h"
#include "ui/window_model.h"

namespace {

int ReadMemoryLoad() {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return static_cast<int>(status.dwMemoryLoad);
}

}  // namespace

void ShowMemoryLoad() {
    if (!SwitchIsOn(kMemorySwitch)) return;
    SetText(kMainWindow, MainControls::kMemoryField, JoinTexts(NumberToText(ReadMemoryLoad()), "%"));
}
