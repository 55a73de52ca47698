// Keeping the main window on the taskbar beside the notification area, in theme colours.
#pragma once

#include <atomic>

// 1 while the taskbar is light; read by the menu when it opens.
extern std::atomic<int> themeIsLight;

void DockMainWindow();
