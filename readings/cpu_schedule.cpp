// When the CPU sample may run.
#include "readings/cpu_schedule.h"

#include <algorithm>

bool CpuSampleSchedule::MaySample(std::uint32_t now) const {
    // Tick counts wrap every 49.7 days; the signed difference stays right across the wrap.
    return !paused_ || static_cast<std::int32_t>(now - resumeAt_) >= 0;
}

void CpuSampleSchedule::RecordRun(bool timedOut, std::uint32_t now) {
    if (!timedOut) {
        paused_ = false;
        pauseMs_ = 0;
        return;
    }
    pauseMs_ = pauseMs_ == 0 ? kFirstPauseMs : std::min(pauseMs_ * 2, kLongestPauseMs);
    paused_ = true;
    resumeAt_ = now + pauseMs_;
}
