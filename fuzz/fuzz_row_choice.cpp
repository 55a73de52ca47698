// Fuzz target: interface tables from arbitrary buffers fed to the traffic meter as ticks would
// (the first byte says into how many tables the rest is cut).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "readings/speed.h"
#include "readings/traffic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t ticks = 1 + data[0] % 6;
    const std::size_t length = (size - 1) / ticks;
    TrafficMeter meter;
    for (std::size_t t = 0; t < ticks; ++t) {
        const std::uint8_t* start = data + 1 + t * length;
        const ByteBuffer table(start, t + 1 == ticks ? data + size : start + length);
        const int count = InterfaceRowCount(table);
        if (count < 0 ||
            (count > 0 && kIfRowsOffset + static_cast<long long>(count) * kIfRowSize > static_cast<long long>(table.size()))) {
            std::abort();
        }
        const std::vector<InterfaceRow> rows = InterfaceRowsOf(table);
        if (rows.size() != static_cast<std::size_t>(count)) std::abort();
        const TrafficTick tick = meter.Feed(rows);
        const bool anyQualifies = std::any_of(rows.begin(), rows.end(), [](const InterfaceRow& row) {
            return row.inOctets > 1 && row.outOctets > 1;
        });
        if (tick.measured != anyQualifies) std::abort();  // a reading exactly while some row qualifies
        if (!tick.measured) {
            if (meter.MeasuredIndex() != 0 || meter.LastInOctets() != 0 || meter.LastOutOctets() != 0) std::abort();
            continue;
        }
        if (meter.MeasuredIndex() != tick.index) std::abort();
        // The measured interface is in this table, and its counters are the ones last read.
        auto row = std::find_if(rows.rbegin(), rows.rend(), [&](const InterfaceRow& r) { return r.index == tick.index; });
        if (row == rows.rend() || meter.LastInOctets() != row->inOctets || meter.LastOutOctets() != row->outOctets) std::abort();
        // One tick's growth of a 32-bit counter is under half its range: never a reset read as 4 GB.
        if (tick.inBytes >= 0x80000000u || tick.outBytes >= 0x80000000u) std::abort();
    }
    return 0;
}
