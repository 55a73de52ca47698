// The processor load, sampled every three seconds while its reading is shown: from the WMI
// command-line tool where it is installed and answers, from the system's processor times otherwise.
#pragma once

#include "support/text.h"

// 0 before the first sample, then 1 to 100.
extern int cpuBusyPercent;

constexpr const char* kCpuQuery = "wmic path win32_perfformatteddata_perfos_processor get name,PercentIdleTime";

// The output handler: stores 100 minus the idle figure of a line holding "Total"; always 1, so
// that the run stops after the first chunk.
int ParseCpuChunk(const char* chunk);
// Whether the last chunk parsed held a figure; a run without one counts towards giving the
// processor times the reading.
bool LastCpuChunkGaveReading();

void SampleCpuLoad();
// Ends a tool that answered and lingers past its grace, or any tool once the switch is off (the
// one-second refresh calls it).
void RetireCpuTool();
// Sampling stops (the box cleared): nothing of the tool stays, and the next start takes a fresh
// baseline.
void StopCpuSampling();
// Copies the last sample into its field while the CPU switch is on.
void ShowCpuLoad();
