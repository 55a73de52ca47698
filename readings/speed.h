// The arithmetic of the network reading: the interface table's layout, the choice of the
// measured row, and the speed texts. Plain values in, plain values out.
#pragma once

#include <cstdint>

#include "support/text.h"

// MIB_IFTABLE as GetIfTable fills it: a 32-bit row count, then 860-byte MIB_IFROWs.
constexpr int kIfRowSize = 860;
constexpr int kIfRowsOffset = 4;
constexpr int kInOctetsOffset = 552;
constexpr int kOutOctetsOffset = 576;

// Rows the buffer really holds: the declared count, never more than fit in the buffer.
int InterfaceRowCount(const ByteBuffer& table);
std::uint32_t InterfaceInOctets(const ByteBuffer& table, int row);   // 1-based row
std::uint32_t InterfaceOutOctets(const ByteBuffer& table, int row);

// The last row whose counters are both above 1, or 0 when none is.
int ChooseInterfaceRow(const ByteBuffer& table);

struct SpeedState {
    int selectedRow = 0;              // 0: none chosen yet
    std::uint32_t lastOutOctets = 0;  // 0: no previous sample
    std::uint32_t lastInOctets = 0;
};

struct InterfaceCounters {
    int row = 0;  // 0: no reading
    std::uint32_t inOctets = 0;
    std::uint32_t outOctets = 0;
};

// Chooses the row while none is chosen; when the table has shrunk below the chosen row, the
// choice starts again and both previous counters are forgotten.
InterfaceCounters CountersFromTable(const ByteBuffer& table, SpeedState& state);

// Kilobytes since the previous sample, with one decimal; the first sample gives 0.0. The
// counters are 32-bit and wrap, so the difference is taken modulo 2^32; a difference of 2^31
// or more is a counter that went down (a reset) and gives 0.0.
Text KilobytesSince(std::uint32_t current, std::uint32_t& last);

// The text a speed field shows for a sample: "12.5K/s", "1.5M/s", or "0K/s" for no reading.
Text SpeedText(const Text& sample);
