// Where the reading columns stand: speeds and arrows on the right edge, CPU on the left edge,
// memory just left of the arrows.
#include "readings/layout.h"

int cpuColumnWidth = 0;
int memoryColumnWidth = 0;

ReadingLayout LayoutReadings(int windowWidth, bool memoryOn, bool cpuOn, int memoryColumnWidth) {
    ReadingLayout layout{};
    layout.speedsLeft = windowWidth - 58;
    layout.arrowsLeft = windowWidth - 70;
    layout.memoryLeft = memoryOn ? layout.arrowsLeft - memoryColumnWidth : kHiddenColumnLeft;
    layout.cpuLeft = cpuOn ? 0 : kHiddenColumnLeft;
    return layout;
}
