// When the CPU sample may run: after a tool that had to be cut off, sampling pauses (longer each
// time it happens again in a row), so that a hung tool costs the main window only a few seconds
// a minute instead of most of it.
#pragma once

#include <cstdint>

class CpuSampleSchedule {
public:
    static constexpr std::uint32_t kFirstPauseMs = 30000;
    static constexpr std::uint32_t kLongestPauseMs = 240000;

    bool MaySample(std::uint32_t now) const;
    // now: when the run ended.
    void RecordRun(bool timedOut, std::uint32_t now);

private:
    bool paused_ = false;
    std::uint32_t resumeAt_ = 0;
    std::uint32_t pauseMs_ = 0;
};
