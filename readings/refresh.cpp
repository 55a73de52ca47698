// The one-second refresh of the readings and the placing of the reading columns.
#include "readings/refresh.h"

#include "app/lifecycle.h"
#include "readings/cpu_load.h"
#include "readings/layout.h"
#include "readings/memory.h"
#include "readings/network.h"
#include "settings/config.h"
#include "ui/window_model.h"
#include "ui/windows.h"

void RefreshTick() {
    ShowMemoryLoad();
    ShowCpuLoad();
    RetireCpuTool();
    ShowSpeeds();
}

void ApplyReadingLayout() {
    const int width = GetProperty(kMainWindow, kTheWindow, Property::Width);
    const int height = GetProperty(kMainWindow, kTheWindow, Property::Height);
    SetProperty(kMainWindow, "透明标签3", Property::Left, 0);
    SetProperty(kMainWindow, "透明标签3", Property::Top, 0);
    SetProperty(kMainWindow, "透明标签3", Property::Width, width);
    SetProperty(kMainWindow, "透明标签3", Property::Height, height);

    const bool memoryOn = SwitchIsOn(kMemorySwitch);
    const bool cpuOn = SwitchIsOn(kCpuSwitch);
    const ReadingLayout layout = LayoutReadings(width, memoryOn, cpuOn, memoryColumnWidth);
    SetProperty(kMainWindow, "上行编辑框", Property::Left, layout.speedsLeft);
    SetProperty(kMainWindow, "下行编辑框", Property::Left, layout.speedsLeft);
    SetProperty(kMainWindow, "上行标签", Property::Left, layout.arrowsLeft);
    SetProperty(kMainWindow, "下行标签", Property::Left, layout.arrowsLeft);
    SetProperty(kMainWindow, "内存标签", Property::Left, layout.memoryLeft);
    SetProperty(kMainWindow, "内存编辑框", Property::Left, layout.memoryLeft);
    SetProperty(kMainWindow, "CPU占用编辑框", Property::Left, layout.cpuLeft);
    SetProperty(kMainWindow, "CPU标签", Property::Left, layout.cpuLeft);
}
