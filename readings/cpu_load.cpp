// The processor load, taken from the WMI command-line tool's table of processor instances where
// that tool is installed and answers, and from the system's own processor times otherwise.
#include "readings/cpu_load.h"

#include <windows.h>

#include "readings/console_runner.h"
#include "readings/cpu_schedule.h"
#include "readings/cpu_table.h"
#include "settings/config.h"
#include "support/files.h"
#include "support/regex_object.h"
#include "ui/window_definitions.h"
#include "ui/window_model.h"

int cpuBusyPercent = 0;

namespace {

CpuSampleSchedule g_schedule;
bool g_runGaveReading = false;

struct ProcessorTimes {
    std::uint64_t idle = 0, kernel = 0, user = 0;
};
ProcessorTimes g_baseline;
bool g_haveBaseline = false;

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool ReadProcessorTimes(ProcessorTimes* times) {
    FILETIME idle, kernel, user;
    if (!GetSystemTimes(&idle, &kernel, &user)) return false;
    *times = {Ticks(idle), Ticks(kernel), Ticks(user)};
    return true;
}

// Every sample ends with a fresh baseline, whichever way it went, so that a figure from the
// processor times always covers the last three seconds and never a pause.
void TakeBaseline() { g_haveBaseline = ReadProcessorTimes(&g_baseline); }

void SampleProcessorTimes() {
    ProcessorTimes now;
    if (!ReadProcessorTimes(&now)) {
        g_haveBaseline = false;
        return;
    }
    if (g_haveBaseline) {
        cpuBusyPercent = BusyFromProcessorTimes(now.idle - g_baseline.idle, now.kernel - g_baseline.kernel,
                                                now.user - g_baseline.user, cpuBusyPercent);
    }
    g_baseline = now;
    g_haveBaseline = true;
}

// Where cmd finds the tool among the system's own folders; recent Windows 11 has none.
bool ToolIsInstalled() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    return IsFile(JoinTexts(folder, "\\wbem\\wmic.exe").c_str()) || IsFile(JoinTexts(folder, "\\wmic.exe").c_str());
}

}  // namespace

int ParseCpuChunk(const char* chunk) {
    g_runGaveReading = false;
    const Text line = ChooseCpuLine(AsText(chunk));
    if (FindText(line, "Total") > 0) {
        RegexObject digitsOf;
        digitsOf.Create("[0-9]", line);
        Text digits;
        const int count = digitsOf.MatchCount();
        for (int i = 1; i <= count; ++i) digits += digitsOf.MatchText(i);
        // No digits is no figure: a blank one, or no regular-expression engine at all (the
        // scripting feature can be switched off), never an idle of 0, which would read as full load.
        if (!digits.empty()) {
            cpuBusyPercent = BusyFromIdle(TextToInteger(digits));
            g_runGaveReading = true;
        }
    }
    return 1;
}

bool LastCpuChunkGaveReading() { return g_runGaveReading; }

void SampleCpuLoad() {
    if (!SwitchIsOn(kCpuSwitch)) {
        StopCpuSampling();
        return;
    }
    if (!ToolIsInstalled() || !g_schedule.ToolMayRun(GetTickCount())) {
        SampleProcessorTimes();
        return;
    }
    g_runGaveReading = false;
    const ConsoleRun run = RunConsoleCommandWithin(kCpuQuery, &ParseCpuChunk, kConsoleRunLimitMs);
    g_schedule.RecordToolRun(g_runGaveReading, run.outcome == RunOutcome::TimedOut, GetTickCount());
    TakeBaseline();
}

void RetireCpuTool() {
    if (!CommandIsLingering()) return;
    if (!SwitchIsOn(kCpuSwitch)) {
        StopCpuSampling();
        return;
    }
    RetireLingeringCommand(GetTickCount(), kLingerGraceMs);
}

void StopCpuSampling() {
    EndLingeringCommand();
    g_haveBaseline = false;
}

void ShowCpuLoad() {
    if (!SwitchIsOn(kCpuSwitch)) return;
    if (cpuBusyPercent == 0) return;
    SetText(kMainWindow, MainControls::kCpuField, JoinTexts(NumberToText(cpuBusyPercent), "%"));
}
