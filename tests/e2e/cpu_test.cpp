// The CPU reading of the running program, through the real cmd.exe and the wmic stand-in of the
// test prefix (told what to answer in C:\kestrune-wmic\mode.txt).
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "support/unique.h"
#include "tests/e2e/program_under_test.h"
#include "tests/support/pump.h"
#include "tools/taskbar_standin.h"

namespace {

using namespace MainControl;

constexpr const char* kRunsLog = "C:\\kestrune-wmic\\runs.log";

int ToolRuns() {
    std::ifstream log(kRunsLog);
    int lines = 0;
    for (std::string line; std::getline(log, line);) ++lines;
    return lines;
}

int ProcessesNamed(const char* name) {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (_stricmp(entry.szExeFile, name) == 0) ++count;
    }
    return count;
}

class CpuReading : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveConfig();
        SetSystemTheme(-1);
        DeleteFileA(kRunsLog);
        SetToolMode("table 73");
        taskbar_.reset(CreateTaskbarStandIn(BottomTaskbar(kDarkTaskbarColour)));
    }
    void TearDown() override {
        program_.Stop();
        EXPECT_TRUE(PumpUntil([] { return ProcessesNamed("wmic.exe") == 0; }, 3000))
            << "a tool outlived the program that started it";
        RemoveConfig();
        SetToolMode("");
        DeleteFileA(kRunsLog);
    }
    void Start() {
        ASSERT_TRUE(program_.Start());
        main_ = program_.WaitForWindow("任务栏Kestrune");
        ASSERT_NE(main_, nullptr);
    }
    std::string CpuText() const { return WindowTextOf(MainControlOf(main_, kCpuField)); }

    UniqueWindow taskbar_;
    ProgramUnderTest program_;
    HWND main_ = nullptr;
};

TEST_F(CpuReading, ShowsTheLoadFromTheToolsTable) {
    WriteConfig("1", nullptr);
    Start();
    EXPECT_TRUE(PumpUntil([&] { return CpuText() == "27%"; }, 6000)) << CpuText();
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
    EXPECT_TRUE(PumpUntil([&] { return CpuText() == "27%"; }, 6000)) << "the system's own tools answered";
    for (const char* planted : {"cmd.exe", "wmic.exe"}) {
        EXPECT_FALSE(FileExists(program_.Folder() + "\\" + planted + ".ran")) << planted << " from the program folder ran";
    }
}

TEST_F(CpuReading, AHungToolNeitherFreezesTheWindowNorPilesUp) {
    WriteConfig("1", nullptr);
    Start();
    ASSERT_TRUE(PumpUntil([&] { return CpuText() == "27%"; }, 6000));
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
    EXPECT_EQ(CpuText(), "27%") << "the reading keeps its last value";
}

}  // namespace
