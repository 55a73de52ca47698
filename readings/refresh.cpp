// The one-second refresh of the readings and the placing of the reading columns.
#include "readings/refresh.h"

#include "readings/cpu_load.h"
#include "readings/layout.h"
#include "readings/memory.h"
#include "readings/network.h"
#include "settings/config.h"
#include "ui/window_definitions.h"
#include "ui/window_model.h"

using namespace MainControls;

void RefreshTick() {
    ShowMemoryLoad();
    ShowCpuLoad();
    RetireCpuTool();
    ShowSpeeds();
}

void ApplyReadingLayout() {
    const int width = GetProperty(kMainWindow, kTheWindow, Property::Width);
    const int height = GetProperty(kMainWindow, kTheWindow, Property::Height);
    SetProperty(kMainWindow, kMouseLayer, Property::Left, 0);
    SetProperty(kMainWindow, kMouseLayer, Property::Top, 0);
    SetProperty(kMainWindow, kMouseLayer, Property::Width, width);
    SetProperty(kMainWindow, kMouseLayer, Property::Height, height);

    const bool memoryOn = SwitchIsOn(kMemorySwitch);
    const bool cpuOn = SwitchIsOn(kCpuSwitch);
    const ReadingLayout layout = LayoutReadings(width, memoryOn, cpuOn, memoryColumnWidth);
    SetProperty(kMainWindow, kUploadField, Property::Left, layout.speedsLeft);
    SetProperty(kMainWindow, kDownloadField, Property::Left, layout.speedsLeft);
    SetProperty(kMainWindow, kUploadArrow, Property::Left, layout.arrowsLeft);
    SetProperty(kMainWindow, kDownloadArrow, Property::Left, layout.arrowsLeft);
    SetProperty(kMainWindow, kMemoryCaption, Property::Left, layout.memoryLeft);
    SetProperty(kMainWindow, kMemoryField, Property::Left, layout.memoryLeft);
    SetProperty(kMainWindow, kCpuField, Property::Left, layout.cpuLeft);
    SetProperty(kMainWindow, kCpuCaption, Property::Left, layout.cpuLeft);
}
