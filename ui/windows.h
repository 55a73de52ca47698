// The program's three windows: the readings over the taskbar, the pop-up menu, the settings.
#pragma once

#include "ui/window_model.h"

extern const WindowDefinition kMainWindow;
extern const WindowDefinition kMenuWindow;
extern const WindowDefinition kSettingsWindow;

// The colour the main window and its fields are filled with, made transparent by a colour key.
constexpr COLORREF kTransparentColour = RGB(255, 168, 255);
