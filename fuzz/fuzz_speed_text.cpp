// Fuzz target: the speed sample and the speed text from arbitrary counters and reals.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "readings/speed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 8) {
        std::uint32_t current = 0, last = 0;
        std::memcpy(&current, data, 4);
        std::memcpy(&last, data + 4, 4);
        const Text sample = KilobytesSince(current, last);
        if (last != current) std::abort();
        const Text shown = SpeedText(sample);
        if (shown.size() < 4 || shown.find('-') != Text::npos) std::abort();  // never negative, even across a wrap
    }
    if (size >= 16) {
        double kilobytes = 0;
        std::memcpy(&kilobytes, data + 8, 8);
        SpeedText(FormatFixed(kilobytes, 1));
    }
    SpeedText(Text(reinterpret_cast<const char*>(data), size));
    return 0;
}
