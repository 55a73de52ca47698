// The program's three windows: the readings over the taskbar, the pop-up menu, the settings.
// Declared here with the names code reaches their controls by; defined, with the handler of each
// event, in app/window_definitions.cpp.
#pragma once

#include "ui/window_model.h"

extern const WindowDefinition kMainWindow;
extern const WindowDefinition kMenuWindow;
extern const WindowDefinition kSettingsWindow;

// The colour the main window and its fields are filled with: on its surface, every pixel of this
// colour is empty (see-through), every other one is text.
constexpr COLORREF kTransparentColour = RGB(255, 168, 255);

namespace MainControls {
constexpr const char* kCpuTimer = "时钟3";          // the CPU sample, every 3 s while shown
constexpr const char* kRefreshTimer = "时钟2";      // the readings, every second
constexpr const char* kDockingTimer = "时钟1";      // the place on the taskbar, every 20 ms
constexpr const char* kCpuCaption = "CPU标签";
constexpr const char* kCpuField = "CPU占用编辑框";
constexpr const char* kMemoryCaption = "内存标签";
constexpr const char* kMemoryField = "内存编辑框";
constexpr const char* kMouseLayer = "透明标签3";    // catches clicks over the whole window
constexpr const char* kUploadField = "上行编辑框";
constexpr const char* kDownloadField = "下行编辑框";
constexpr const char* kUploadArrow = "上行标签";
constexpr const char* kDownloadArrow = "下行标签";
}  // namespace MainControls

namespace MenuControls {
constexpr const char* kSettingsEntry = "标签1";
constexpr const char* kCloseEntry = "标签2";
constexpr const char* kCredit = "标签3";
}  // namespace MenuControls

namespace SettingsControls {
constexpr const char* kCpuBox = "选择框1";
constexpr const char* kMemoryBox = "选择框2";
constexpr const char* kStartupBox = "选择框4";
}  // namespace SettingsControls
