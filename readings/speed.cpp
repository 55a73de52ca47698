// The arithmetic of the network reading.
#include "readings/speed.h"

#include <algorithm>

namespace {

std::uint32_t CounterAt(const ByteBuffer& table, int row, int offset) {
    if (row < 1 || row > InterfaceRowCount(table)) return 0;
    const int position = kIfRowsOffset + (row - 1) * kIfRowSize + offset;
    return static_cast<std::uint32_t>(IntegerOfBuffer(MiddleOfBuffer(table, position + 1, 4)));
}

}  // namespace

int InterfaceRowCount(const ByteBuffer& table) {
    const int declared = IntegerOfBuffer(table);
    const int fitting = std::max(0, (BufferLength(table) - kIfRowsOffset) / kIfRowSize);
    return std::clamp(declared, 0, fitting);
}

std::uint32_t InterfaceInOctets(const ByteBuffer& table, int row) { return CounterAt(table, row, kInOctetsOffset); }
std::uint32_t InterfaceOutOctets(const ByteBuffer& table, int row) { return CounterAt(table, row, kOutOctetsOffset); }
std::uint32_t InterfaceIndex(const ByteBuffer& table, int row) { return CounterAt(table, row, kIfIndexOffset); }

Text KilobytesText(std::uint64_t bytes) { return FormatFixed(static_cast<double>(bytes) / 1024.0, 1); }

std::uint64_t BytesPerSecond(std::uint64_t bytes, std::uint32_t elapsedMs) {
    if (elapsedMs == 0) return 0;
    // Whole milliseconds' worth first, so that no product comes near 2^64 for any real growth.
    const std::uint64_t whole = bytes / elapsedMs, rest = bytes % elapsedMs;
    return whole * 1000 + (rest * 1000 + elapsedMs / 2) / elapsedMs;
}

Text SpeedText(const Text& sample) {
    const int kilobytes = TextToInteger(sample);
    if (kilobytes > 1000) return JoinTexts(NumberToText(RoundReal(kilobytes / 1024.0, 1)), "M/s");
    return JoinTexts(sample, "K/s");
}
