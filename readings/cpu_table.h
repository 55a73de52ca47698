// Choosing the all-processors line out of the WMI tool's table. Plain values in and out.
#pragma once

#include <cstdint>

#include "support/text.h"

// Piece k - 1 of the chunk split at CR LF, k being the number of line feeds in it: the last
// non-blank line when the table ends with one blank line. Empty when there is no such piece.
Text ChooseCpuLine(std::string_view chunk);

// 100 minus the idle figure, never below 1: 0 stands for "no sample yet".
int BusyFromIdle(int idle);

// The load from the system's processor times passed since the last sample, in any one unit
// (kernel time includes idle time): the idle share in percent, rounded half away from zero, then
// as BusyFromIdle. No time passed keeps the last value.
int BusyFromProcessorTimes(std::uint64_t idle, std::uint64_t kernel, std::uint64_t user, int last);
