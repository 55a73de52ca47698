// The processor load, taken from the WMI command-line tool's table of processor instances.
#include "readings/cpu_load.h"

#include <windows.h>

#include "readings/console_runner.h"
#include "readings/cpu_table.h"
#include "readings/cpu_schedule.h"
#include "settings/config.h"
#include "support/regex_object.h"
#include "ui/window_model.h"
#include "ui/windows.h"

int cpuBusyPercent = 0;

namespace {
CpuSampleSchedule g_schedule;
}

int ParseCpuChunk(const char* chunk) {
    const Text line = ChooseCpuLine(AsText(chunk));
    if (FindText(line, "Total") > 0) {
        RegexObject digitsOf;
        digitsOf.Create("[0-9]", line);
        Text digits;
        const int count = digitsOf.MatchCount();
        for (int i = 1; i <= count; ++i) digits += digitsOf.MatchText(i);
        cpuBusyPercent = BusyFromIdle(TextToInteger(digits));
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
