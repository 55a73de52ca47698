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

int ChooseInterfaceRow(const ByteBuffer& table) {
    int chosen = 0;
    const int rows = InterfaceRowCount(table);
    for (int row = 1; row <= rows; ++row) {
        if (InterfaceInOctets(table, row) > 1 && InterfaceOutOctets(table, row) > 1) chosen = row;
    }
    return chosen;
}

InterfaceCounters CountersFromTable(const ByteBuffer& table, SpeedState& state) {
    if (state.selectedRow > InterfaceRowCount(table)) {
        // The adapter at that place is gone: measure afresh rather than read past the table.
        state = SpeedState{};
    }
    if (state.selectedRow == 0) state.selectedRow = ChooseInterfaceRow(table);
    if (state.selectedRow == 0) return {};
    return {state.selectedRow, InterfaceInOctets(table, state.selectedRow), InterfaceOutOctets(table, state.selectedRow)};
}

Text KilobytesSince(std::uint32_t current, std::uint32_t& last) {
    if (last == 0) last = current;
    const std::uint32_t bytes = current - last;  // unsigned: a wrapped counter still gives the true amount
    last = current;
    // A counter that went down was reset (adapter re-enabled); modulo 2^32 it would read as a
    // rise of nearly 4 GB. Half the range or more counts as a reset, so the counter is reseeded
    // and the tick shows nothing. The price: a true rise of 2 GB or more in one tick (a tick
    // that a slow CPU sample stretched, above some 5 Gbit/s) also shows 0.0.
    if (bytes >= 0x80000000u) return FormatFixed(0, 1);
    return FormatFixed(bytes / 1024.0, 1);
}

Text SpeedText(const Text& sample) {
    const int kilobytes = TextToInteger(sample);
    if (kilobytes > 1000) return JoinTexts(NumberToText(RoundReal(kilobytes / 1024.0, 1)), "M/s");
    return JoinTexts(sample, "K/s");
}
