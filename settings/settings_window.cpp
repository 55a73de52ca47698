// The settings window: three check boxes that take effect at once.
#include "settings/settings_window.h"

// The boxes open unchecked and change nothing until the switches they stand for exist.
void SettingsWindowCreated() {}
void CpuSwitchClicked() {}
void MemorySwitchClicked() {}
void StartupSwitchClicked() {}
