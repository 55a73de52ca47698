// The pop-up menu: opened by a button release on the readings, closed when it loses activation.
#include "ui/menu_window.h"

#include "app/lifecycle.h"
#include "ui/windows.h"

std::atomic<COLORREF> menuNormalColour{0};
std::atomic<COLORREF> menuHoverColour{0};

void OpenMenuWindow(int, int, int) { OpenWindow(kMenuWindow); }

// The menu stays hidden until its slide-in animation shows it.
void MenuWindowCreated() {}

void CloseMenuWindow() { CloseWindow(kMenuWindow); }

void ClearMenuHover(int, int, int) {}
void HoverSettingsEntry(int, int, int) {}
void HoverCloseEntry(int, int, int) {}

void OpenSettingsWindow(int, int, int) { OpenWindow(kSettingsWindow); }

void CloseEntryClicked(int, int, int) { ExitProgram(0); }
