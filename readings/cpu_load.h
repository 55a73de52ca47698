// The processor load, sampled every three seconds while its reading is shown.
#pragma once

// 0 before the first sample, then 1 to 100.
extern int cpuBusyPercent;

void SampleCpuLoad();
// Copies the last sample into its field while the CPU switch is on.
void ShowCpuLoad();
