// The pop-up menu that slides out of the taskbar: settings, close, and a credit line.
#pragma once

#include <windows.h>

#include <atomic>

// Written by the animation thread, read by the hover handlers.
extern std::atomic<COLORREF> menuNormalColour;
extern std::atomic<COLORREF> menuHoverColour;

void OpenMenuWindow(int x, int y, int keys);
void MenuWindowCreated();
void CloseMenuWindow();
void ClearMenuHover(int x, int y, int keys);
void HoverSettingsEntry(int x, int y, int keys);
void HoverCloseEntry(int x, int y, int keys);
void OpenSettingsWindow(int x, int y, int keys);

// Tests pause the slide between its steps (0 placement, 1 colours, then the rises); called on
// the slide's thread before each step.
using SlideStepHook = void (*)(int step);
void SetSlideStepHookForTesting(SlideStepHook hook);
