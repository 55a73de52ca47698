// Choosing the all-processors line out of the WMI tool's table.
#include "readings/cpu_table.h"

#include <algorithm>

Text ChooseCpuLine(std::string_view chunk) {
    const int lineFeeds = static_cast<int>(std::count(chunk.begin(), chunk.end(), '\n'));
    const TextList pieces = SplitText(chunk, "\r\n");
    if (lineFeeds - 1 >= 1 && static_cast<int>(pieces.size()) >= lineFeeds - 1) return pieces[lineFeeds - 2];
    return {};
}

int BusyFromIdle(int idle) { return std::max(1, 100 - std::max(0, idle)); }

int BusyFromProcessorTimes(std::uint64_t idle, std::uint64_t kernel, std::uint64_t user, int last) {
    const std::uint64_t total = kernel + user;
    if (total == 0) return last;
    // Samples of the three counters are not taken at one instant: idle may come out a hair above
    // the total.
    idle = std::min(idle, total);
    return BusyFromIdle(static_cast<int>((idle * 200 + total) / (total * 2)));
}
