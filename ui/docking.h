// Keeping the main window on the taskbar beside the notification area, in theme colours.
#pragma once

#include <windows.h>

#include <atomic>

// 1 while the taskbar is light; read by the menu when it opens.
extern std::atomic<int> themeIsLight;

constexpr COLORREF kDarkThemeText = 0xFFFFFF;
constexpr COLORREF kLightThemeText = 0x131315;

HWND FindNotificationArea();
// The window rectangle in screen coordinates; all zeros when it cannot be had.
RECT GetWindowScreenRect(HWND window);
// 1 for a non-zero REG_DWORD, else 0 (missing, zero, or of another type).
int ThemeFromValue(bool found, DWORD type, DWORD value);
int ReadThemeIsLight();

void DockMainWindow();
