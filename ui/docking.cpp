// Keeping the main window on the taskbar beside the notification area, in theme colours.
#include "ui/docking.h"

std::atomic<int> themeIsLight{0};

// The window stays at its design place until it follows the taskbar.
void DockMainWindow() {}
