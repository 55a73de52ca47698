// The settings window: three check boxes that take effect at once.
#pragma once

void SettingsWindowCreated();
void CpuSwitchClicked();
void MemorySwitchClicked();
void StartupSwitchClicked();
