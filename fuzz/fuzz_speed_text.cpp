// Fuzz target: a counter's growth, its rate a second and the speed text from arbitrary counters,
// times and reals.
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
    if (size >= 12) {
        // A tick's growth over any elapsed time: the nearest whole bytes a second.
        std::uint32_t growth = 0, elapsedMs = 0;
        std::memcpy(&growth, data, 4);
        std::memcpy(&elapsedMs, data + 8, 4);
        if (elapsedMs != 0) {
            const std::uint64_t perSecond = BytesPerSecond(growth, elapsedMs);
            const unsigned __int128 exact = static_cast<unsigned __int128>(growth) * 1000;
            const unsigned __int128 shown = static_cast<unsigned __int128>(perSecond) * elapsedMs;
            const unsigned __int128 off = shown > exact ? shown - exact : exact - shown;
            if (off > elapsedMs / 2) std::abort();
            SpeedText(KilobytesText(perSecond));
        }
    }
    if (size >= 16) {
        double kilobytes = 0;
        std::memcpy(&kilobytes, data + 8, 8);
        SpeedText(FormatFixed(kilobytes, 1));
    }
    SpeedText(Text(reinterpret_cast<const char*>(data), size));
    return 0;
}
