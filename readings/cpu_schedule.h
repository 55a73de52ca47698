// When the CPU sample may ask the WMI tool, and when the system's own processor times stand in.
// After a tool that had to be cut off, or that gave no reading three runs in a row, the tool
// pauses (longer each time it fails again in a row), so that a hung tool costs the main window
// only a few seconds a minute instead of most of it; the processor times fill the pause.
#pragma once

#include <cstdint>

class CpuSampleSchedule {
public:
    static constexpr std::uint32_t kFirstPauseMs = 30000;
    static constexpr std::uint32_t kLongestPauseMs = 240000;
    static constexpr int kFailuresBeforePause = 3;

    bool ToolMayRun(std::uint32_t now) const;
    // now: when the run ended.
    void RecordToolRun(bool gaveReading, bool timedOut, std::uint32_t now);

private:
    bool paused_ = false;
    int failuresInARow_ = 0;
    std::uint32_t resumeAt_ = 0;
    std::uint32_t pauseMs_ = 0;
};
