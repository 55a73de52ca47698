// The arithmetic of the network reading: the interface table's layout and the speed texts.
// Plain values in, plain values out.
#pragma once

#include <cstdint>

#include "support/text.h"

// MIB_IFTABLE as GetIfTable fills it: a 32-bit row count, then 860-byte MIB_IFROWs.
constexpr int kIfRowSize = 860;
constexpr int kIfRowsOffset = 4;
constexpr int kIfIndexOffset = 512;
constexpr int kInOctetsOffset = 552;
constexpr int kOutOctetsOffset = 576;

// Rows the buffer really holds: the declared count, never more than fit in the buffer.
int InterfaceRowCount(const ByteBuffer& table);
std::uint32_t InterfaceInOctets(const ByteBuffer& table, int row);   // 1-based row
std::uint32_t InterfaceOutOctets(const ByteBuffer& table, int row);
std::uint32_t InterfaceIndex(const ByteBuffer& table, int row);

// What a speed field shows for a second's growth, before the unit: kilobytes with one decimal.
Text KilobytesText(std::uint64_t bytes);

// Bytes a second, to the nearest byte, for a growth measured over elapsedMs (above 0): ticks are
// a second apart only while nothing else holds the window's thread.
std::uint64_t BytesPerSecond(std::uint64_t bytes, std::uint32_t elapsedMs);

// The text a speed field shows for a sample: "12.5K/s", "1.5M/s", or "0K/s" for no reading.
Text SpeedText(const Text& sample);
