// Fuzz target: a counter's growth and the speed text from arbitrary counters and reals.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "readings/speed.h"
#include "readings/traffic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 8) {
        std::uint32_t current = 0, last = 0;
        std::memcpy(&current, data, 4);
        std::memcpy(&last, data + 4, 4);
        const std::uint32_t growth = CounterGrowth(current, last);
        // Either the true rise across a wrap, or nothing for a counter that went down.
        if (growth >= 0x80000000u || (growth != 0 && static_cast<std::uint32_t>(last + growth) != current)) std::abort();
        const Text shown = SpeedText(KilobytesText(growth));
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
