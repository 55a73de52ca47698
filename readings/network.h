// The network reading: upload and download speed of one interface, from the interface table.
#pragma once

#include <cstdint>

#include "readings/speed.h"

// The measured interface's index (0: none) and its counters as last read, for the whole run:
// the parts of one state. Setting the index to 0 starts the choice afresh on the next tick.
extern int& selectedRow;
extern std::uint32_t& lastOutOctets;
extern std::uint32_t& lastInOctets;

// Writes both speed texts into their fields, upload first: the growth since the last table read
// successfully, per second of the time between the two reads. A failed read changes nothing.
void ShowSpeeds();
// Tests hand the reading tables of their own instead of the system's; nullptr goes back to it.
using InterfaceTableSource = ByteBuffer (*)();
void SetInterfaceTableSourceForTesting(InterfaceTableSource source);
// Likewise the clock the speeds are divided by (milliseconds, wrapping like GetTickCount).
using MillisecondClock = std::uint32_t (*)();
void SetClockForTesting(MillisecondClock clock);
// Releases the IP helper library; for the end of the program.
void ReleaseInterfaceLibrary();
