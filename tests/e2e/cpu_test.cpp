// The CPU reading of the running program, through the real cmd.exe and the wmic stand-in of the
// test prefix (told what to answer in C:\kestrune-wmic\mode.txt).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "support/unique.h"
#include "tests/e2e/program_test.h"
#include "tests/support/observe.h"
#include "tests/support/pump.h"

namespace {

using namespace MainControl;

int ToolRuns() {
    std::ifstream log(kToolRunsLog);
    int lines = 0;
    for (std::string line; std::getline(log, line);) ++lines;
    return lines;
}

int PercentOf(const std::string& text) { return text.empty() ? -1 : std::atoi(text.c_str()); }

// The system has no WMI tool (recent Windows 11): every stand-in of the prefix is moved away
// while it lives. A logging copy stays where cmd would still find one on PATH, outside the
// system's own folders, so that any cmd.exe started for the tool shows in the log.
class ToolRemoved {
public:
    ToolRemoved() {
        ScopedNoRedirection native;
        for (const std::string& place : kPlaces) {
            if (MoveFileExA(place.c_str(), (place + ".away").c_str(), MOVEFILE_REPLACE_EXISTING)) moved_.push_back(place);
        }
        if (!moved_.empty()) CopyFileA((moved_.front() + ".away").c_str(), kOnPath, FALSE);
    }
    ~ToolRemoved() { PutBack(); }
    bool RemovedAny() const { return !moved_.empty(); }
    void PutBack() {
        ScopedNoRedirection native;
        for (const std::string& place : moved_) MoveFileExA((place + ".away").c_str(), place.c_str(), MOVEFILE_REPLACE_EXISTING);
        moved_.clear();
        DeleteFileA(kOnPath);
    }

private:
    // A 32-bit test must see the real system32, not the 32-bit folder behind it.
    struct ScopedNoRedirection {
        PVOID old = nullptr;
        BOOL disabled = Wow64DisableWow64FsRedirection(&old);
        ~ScopedNoRedirection() { if (disabled) Wow64RevertWow64FsRedirection(old); }
    };
    static constexpr const char* kOnPath = "C:\\windows\\wmic.exe";
    const std::string kPlaces[4] = {"C:\\windows\\system32\\wbem\\wmic.exe", "C:\\windows\\system32\\wmic.exe",
                                    "C:\\windows\\syswow64\\wbem\\wmic.exe", "C:\\windows\\syswow64\\wmic.exe"};
    std::vector<std::string> moved_;
};

// Some of the processors kept busy while it lives: one spinning thread each.
class BusyThreads {
public:
    explicit BusyThreads(DWORD count) {
        for (DWORD i = 0; i < count; ++i) {
            threads_.emplace_back([this] {
                unsigned spin = 0;
                while (!stop_) spin = spin * 3 + 1;
                spins_ += spin;
            });
        }
    }
    ~BusyThreads() { Stop(); }
    void Stop() {
        stop_ = true;
        for (std::thread& thread : threads_) thread.join();
        threads_.clear();
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<unsigned> spins_{0};  // keeps the loops from being optimised away
    std::vector<std::thread> threads_;
};

DWORD ProcessorCount() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return std::max<DWORD>(1, info.dwNumberOfProcessors);
}

// One copy of every processor busy while it lives.
class BusyCores : public BusyThreads {
public:
    BusyCores() : BusyThreads(ProcessorCount()) {}
};

// VBScript, which holds the regular-expression engine, switched off for the program under test
// alone, as on a Windows where that optional feature is removed: Wine's per-program library
// setting, by the name the program is started as.
class VbscriptDisabled {
public:
    VbscriptDisabled() {
        UniqueKey key;
        ok_ = RegCreateKeyExA(HKEY_CURRENT_USER, (AppKey() + "\\DllOverrides").c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, key.put(), nullptr) == ERROR_SUCCESS &&
              RegSetValueExA(key.get(), "vbscript", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) == ERROR_SUCCESS;
    }
    ~VbscriptDisabled() {
        RegDeleteKeyA(HKEY_CURRENT_USER, (AppKey() + "\\DllOverrides").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, AppKey().c_str());
    }
    bool ok() const { return ok_; }

private:
    static std::string AppKey() { return std::string("Software\\Wine\\AppDefaults\\") + ProgramUnderTest::kStartName; }
    bool ok_ = false;
};

class CpuReading : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        DeleteFileA(kToolRunsLog);
        SetToolMode("table 73");
    }
    void TearDown() override {
        program_.Stop();
        EXPECT_EQ(PollUntil([] { return ProcessesNamed("wmic.exe"); }, 0, 3000), 0)
            << "a tool outlived the program that started it";
        ProgramTest::TearDown();
        DeleteFileA(kToolRunsLog);
    }
    std::string CpuText() const { return WindowTextOf(ControlOf(main_, kCpuField)); }
    // The CPU field's text once it is the expected one, or the last one seen.
    std::string CpuTextOnce(const std::string& expected, DWORD timeoutMs) const {
        return PollUntil([&] { return CpuText(); }, expected, timeoutMs);
    }
    // The load shown once it is accepted, or the last one seen (-1 for no text).
    Polled<int> PercentOnce(const std::function<bool(int)>& accept, DWORD timeoutMs) const {
        return PollUntil([&] { return PercentOf(CpuText()); }, accept, timeoutMs);
    }
};

TEST_F(CpuReading, ShowsTheLoadFromTheToolsTable) {
    WriteConfig("1", nullptr);
    Start();
    EXPECT_EQ(CpuTextOnce("27%", 6000), "27%");
}

TEST_F(CpuReading, SamplesEveryThreeSecondsWhileOnAndNotAtAllWhileOff) {
    WriteConfig("1", nullptr);
    Start();
    PumpFor(7000);
    const int whileOn = ToolRuns();
    EXPECT_GE(whileOn, 1);
    EXPECT_LE(whileOn, 3) << "about one sample per 3 s";

    WriteConfig("", nullptr);  // switched off by hand: each sample asks the file
    PumpFor(500);
    const int atOff = ToolRuns();
    PumpFor(4000);
    EXPECT_EQ(ToolRuns(), atOff) << "sampled while the switch was off";
}

TEST_F(CpuReading, NoSampleWithTheSwitchOff) {
    Start();
    PumpFor(4000);
    EXPECT_EQ(ToolRuns(), 0);
    EXPECT_EQ(CpuText(), "1%") << "the design text, untouched";
}

TEST_F(CpuReading, ProgramsPlantedInItsFolderNeverRun) {
    for (const char* planted : {"cmd.exe", "wmic.exe"}) {
        ASSERT_TRUE(CopyFileA(ConsoleProbePath().c_str(), (program_.Folder() + "\\" + planted).c_str(), FALSE));
    }
    WriteConfig("1", nullptr);
    Start();
    EXPECT_EQ(CpuTextOnce("27%", 6000), "27%") << "the system's own tools answered";
    for (const char* planted : {"cmd.exe", "wmic.exe"}) {
        EXPECT_FALSE(FileExists(program_.Folder() + "\\" + planted + ".ran")) << planted << " from the program folder ran";
    }
}

TEST_F(CpuReading, AHungToolNeitherFreezesTheWindowNorPilesUp) {
    WriteConfig("1", nullptr);
    Start();
    ASSERT_EQ(CpuTextOnce("27%", 6000), "27%");
    SetToolMode("hang");
    const int runsBefore = ToolRuns();

    DWORD slowestAnswer = 0;
    int mostTools = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 12000) {
        const DWORD asked = GetTickCount();
        DWORD_PTR result = 0;
        const bool answered =
            SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
        EXPECT_TRUE(answered) << "the main window stopped answering";
        slowestAnswer = std::max(slowestAnswer, GetTickCount() - asked);
        mostTools = std::max(mostTools, ProcessesNamed("wmic.exe"));
        PumpFor(100);
    }
    EXPECT_LT(slowestAnswer, 3000u) << "the main window was blocked too long at a time";
    EXPECT_LE(mostTools, 1) << "hung tools piled up";
    EXPECT_GE(ToolRuns() - runsBefore, 1);
    EXPECT_LE(ToolRuns() - runsBefore, 2) << "a hung tool pauses the sampling";
    // Meanwhile the processor times stand in: still a figure, never a made-up one.
    const int percent = PercentOf(CpuText());
    EXPECT_TRUE(percent >= 1 && percent <= 100) << CpuText();
}

// A tool that answers and then stays alive: each one is ended soon after its answer, one at a
// time, and none stays once the switch is cleared by hand.
TEST_F(CpuReading, AToolThatLingersAfterItsAnswerIsEndedSoon) {
    SetToolMode("linger 73");
    WriteConfig("1", nullptr);
    Start();
    ASSERT_EQ(CpuTextOnce("27%", 6000), "27%");
    int mostAlive = 0;
    DWORD oldestAlive = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 10000) {
        int alive = 0;
        for (const auto& [pid, started] : ToolStarts()) {
            if (!ToolAlive(pid)) continue;
            ++alive;
            oldestAlive = std::max(oldestAlive, GetTickCount() - started);
        }
        mostAlive = std::max(mostAlive, alive);
        PumpFor(50);
    }
    EXPECT_LE(mostAlive, 1) << "two tools alive at once";
    EXPECT_LT(oldestAlive, 5000u) << "a tool lived on long after its answer";
    EXPECT_GE(ToolRuns(), 3);

    // Cleared by hand just as a tool has answered: the one-second refresh ends it.
    const int runs = ToolRuns();
    const auto answered = PollUntil(ToolRuns, [&](int seen) { return seen > runs; }, 4000);
    ASSERT_TRUE(answered.ok) << "runs " << answered.last << ", before " << runs;
    WriteConfig("", nullptr);
    const DWORD cleared = GetTickCount();
    EXPECT_EQ(PollUntil(ToolsAlive, 0, 1300), 0)
        << "tools alive " << GetTickCount() - cleared << " ms after the switch was cleared";
}

// No WMI tool at all: the load comes from the system's processor times, follows the machine's
// load, starts no process, and the tool is used again as soon as it is back.
TEST_F(CpuReading, WithoutTheToolTheProcessorTimesGiveTheLoad) {
    ToolRemoved removed;
    ASSERT_TRUE(removed.RemovedAny());
    WriteConfig("1", nullptr);
    Start();
    PumpFor(1000);
    int peak = 0;
    {
        BusyCores busy;
        const auto busyLoad = PercentOnce([](int percent) { return percent > 50; }, 8000);
        peak = busyLoad.last;
        EXPECT_TRUE(busyLoad.ok) << "with every core busy the field showed " << busyLoad.last << "%";
    }
    const auto idleLoad = PercentOnce([](int percent) { return percent < 30; }, 8000);
    EXPECT_TRUE(idleLoad.ok) << "after the load stopped the field showed " << idleLoad.last << "% (peak " << peak << "%)";
    EXPECT_EQ(ToolRuns(), 0) << "a command interpreter went looking for the tool";

    removed.PutBack();
    EXPECT_EQ(CpuTextOnce("27%", 8000), "27%") << "the tool came back";
    EXPECT_GE(ToolRuns(), 1);
}

// A tool that answers without a reading three times in a row gives way to the processor times
// until the back-off asks it again.
TEST_F(CpuReading, AToolWithoutAReadingGivesWayToTheProcessorTimes) {
    SetToolMode("error");
    WriteConfig("1", nullptr);
    Start();
    BusyCores busy;
    const auto busyLoad = PercentOnce([](int percent) { return percent > 50; }, 16000);
    EXPECT_TRUE(busyLoad.ok) << "with every core busy the field showed " << busyLoad.last << "% after " << ToolRuns()
                             << " runs";
    busy.Stop();
    EXPECT_EQ(ToolRuns(), 3);
    PumpFor(6000);
    EXPECT_EQ(ToolRuns(), 3) << "the tool is asked again only after the pause";
}

// A table whose figure cannot be read (no regular-expression engine) is no reading: never a
// made-up full load, and after three such runs the processor times give the load. One
// processor of the machine is kept busy, so that the figure they give is known.
TEST_F(CpuReading, WithoutTheRegularExpressionEngineTheProcessorTimesGiveTheLoad) {
    VbscriptDisabled noVbscript;
    ASSERT_TRUE(noVbscript.ok());
    WriteConfig("1", nullptr);
    Start();
    BusyThreads oneBusy(1);
    std::vector<std::string> shown;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 15000) {
        const std::string text = CpuText();
        if (shown.empty() || shown.back() != text) shown.push_back(text);
        PumpFor(100);
    }
    std::string seen;
    for (const std::string& text : shown) seen += " " + text;
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "100%"), 0) << "a made-up full load; seen:" << seen;
    EXPECT_EQ(ToolRuns(), 3) << "the tool pauses after three runs without a reading; seen:" << seen;
    const int expected = static_cast<int>(100 / ProcessorCount());
    const int percent = PercentOf(shown.back());
    EXPECT_TRUE(percent >= expected / 2 && percent <= std::min(95, expected + 35))
        << "one of " << ProcessorCount() << " processors busy, the field showed " << shown.back() << "; seen:" << seen;
}

}  // namespace
