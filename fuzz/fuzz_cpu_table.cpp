// Fuzz target: choosing the all-processors line and reading its figure from arbitrary output.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "readings/cpu_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text chunk(reinterpret_cast<const char*>(data), size);
    const Text line = ChooseCpuLine(TextOfBuffer(BufferOfText(chunk)));  // the handler sees up to the first NUL
    if (FindText(line, "Total") > 0) {
        Text digits;  // what the "[0-9]" matches give, in order
        for (char c : line) {
            if (c >= '0' && c <= '9') digits.push_back(c);
        }
        const int busy = BusyFromIdle(TextToInteger(digits));
        if (busy < 1 || busy > 100) std::abort();
    }
    return 0;
}
