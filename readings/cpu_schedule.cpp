// When the CPU sample may ask the WMI tool.
#include "readings/cpu_schedule.h"

#include <algorithm>

bool CpuSampleSchedule::ToolMayRun(std::uint32_t now) const {
    // Tick counts wrap every 49.7 days; the signed difference stays right across the wrap.
    return !paused_ || static_cast<std::int32_t>(now - resumeAt_) >= 0;
}

void CpuSampleSchedule::RecordToolRun(bool gaveReading, bool timedOut, std::uint32_t now) {
    if (gaveReading) {
        paused_ = false;
        failuresInARow_ = 0;
        pauseMs_ = 0;
        return;
    }
    ++failuresInARow_;
    // A hang pauses at once: each one blocked the main window for the whole limit.
    if (!timedOut && failuresInARow_ < kFailuresBeforePause) return;
    pauseMs_ = pauseMs_ == 0 ? kFirstPauseMs : std::min(pauseMs_ * 2, kLongestPauseMs);
    paused_ = true;
    resumeAt_ = now + pauseMs_;
}
