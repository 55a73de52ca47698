// Fuzz target: the interface table's row choice and counters from arbitrary buffers, twice in a
// row as two ticks would.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "readings/speed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t half = size / 2;
    const ByteBuffer first(data, data + half);
    const ByteBuffer second(data + half, data + size);
    SpeedState state;
    for (const ByteBuffer* table : {&first, &second}) {
        const int rows = InterfaceRowCount(*table);
        if (rows < 0 ||
            (rows > 0 && kIfRowsOffset + static_cast<long long>(rows) * kIfRowSize > static_cast<long long>(table->size()))) {
            std::abort();
        }
        const InterfaceCounters counters = CountersFromTable(*table, state);
        if (counters.row < 0 || counters.row > rows) std::abort();
        if (counters.row != 0) {
            KilobytesSince(counters.outOctets, state.lastOutOctets);
            KilobytesSince(counters.inOctets, state.lastInOctets);
        }
    }
    return 0;
}
