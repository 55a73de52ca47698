// The processor load, taken from the WMI command-line tool's table of processor instances.
#include "readings/cpu_load.h"

#include <windows.h>

#include <algorithm>

#include "readings/console_runner.h"
#include "readings/cpu_schedule.h"
#include "settings/config.h"
#include "support/regex_object.h"
#include "ui/window_model.h"
#include "ui/windows.h"

int cpuBusyPercent = 0;

namespace {
CpuSampleSchedule g_schedule;
}

Text ChooseCpuLine(std::string_view chunk) {
    const int lineFeeds = static_cast<int>(std::count(chunk.begin(), chunk.end(), '\n'));
    const TextList pieces = SplitText(chunk, "\r\n");
    if (lineFeeds - 1 >= 1 && static_cast<int>(pieces.size()) >= lineFeeds - 1) return pieces[lineFeeds - 2];
    return {};
}

int ParseCpuChunk(const char* chunk) {
    const Text line = ChooseCpuLine(AsText(chunk));
    if (FindText(line, "Total") > 0) {
        RegexObject digitsOf;
        digitsOf.Create("[0-9]", line);
        Text digits;
        const int count = digitsOf.MatchCount();
        for (int i = 1; i <= count; ++i) digits += digitsOf.MatchText(i);
        const int idle = TextToInteger(digits);
        // 0 stands for "no sample yet": a fully idle reading shows 1.
        cpuBusyPercent = std::max(1, 100 - std::max(0, idle));
    }
    return 1;
}

void SampleCpuLoad() {
    if (!SwitchIsOn(kCpuSwitch)) return;
    if (!g_schedule.MaySample(GetTickCount())) return;
    const ConsoleRun run = RunConsoleCommandWithin(kCpuQuery, &ParseCpuChunk, kConsoleRunLimitMs);
    g_schedule.RecordRun(run.outcome == RunOutcome::TimedOut, GetTickCount());
}

void ShowCpuLoad() {
    if (!SwitchIsOn(kCpuSwitch)) return;
    if (cpuBusyPercent == 0) return;
    SetText(kMainWindow, "CPU占用编辑框", JoinTexts(NumberToText(cpuBusyPercent), "%"));
}
