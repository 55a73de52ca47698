// Where the reading columns stand inside the main window, from its width and the two switches.
#pragma once

// How much wider the main window is while the CPU or the memory reading is shown.
extern int cpuColumnWidth;
extern int memoryColumnWidth;

// A column that is switched off stands at this left, outside the window.
constexpr int kHiddenColumnLeft = -100;

struct ReadingLayout {
    int speedsLeft;       // 上行编辑框, 下行编辑框
    int arrowsLeft;       // 上行标签, 下行标签
    int memoryLeft;       // 内存标签, 内存编辑框
    int cpuLeft;          // CPU标签, CPU占用编辑框
};

ReadingLayout LayoutReadings(int windowWidth, bool memoryOn, bool cpuOn, int memoryColumnWidth);
