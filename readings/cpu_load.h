// The processor load, taken from the WMI command-line tool every three seconds while its
// reading is shown.
#pragma once

#include "support/text.h"

// 0 before the first sample, then 1 to 100.
extern int cpuBusyPercent;

constexpr const char* kCpuQuery = "wmic path win32_perfformatteddata_perfos_processor get name,PercentIdleTime";

// The output handler: stores 100 minus the idle figure of a line holding "Total"; always 1, so
// that the run stops after the first chunk.
int ParseCpuChunk(const char* chunk);

void SampleCpuLoad();
// Copies the last sample into its field while the CPU switch is on.
void ShowCpuLoad();
