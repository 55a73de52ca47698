// The console command runner against a small console program of the project's own, started
// through the real cmd.exe of the prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "readings/console_runner.h"
#include "support/unique.h"

namespace {

std::string g_probe;  // Windows path of console_probe.exe
std::vector<std::string> g_chunks;
int g_stopAfter = 0;

int Collect(const char* chunk) {
    g_chunks.emplace_back(chunk);
    return g_stopAfter > 0 && static_cast<int>(g_chunks.size()) >= g_stopAfter ? 1 : 0;
}

std::string Probe(const std::string& arguments) { return "\"" + g_probe + "\" " + arguments; }

int ProbeProcesses() {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (_stricmp(entry.szExeFile, "console_probe.exe") == 0) ++count;
    }
    return count;
}

bool WaitForNoProbe(DWORD timeoutMs = 3000) {
    const DWORD start = GetTickCount();
    while (ProbeProcesses() > 0) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

class ConsoleRunner : public ::testing::Test {
protected:
    void SetUp() override {
        g_chunks.clear();
        g_stopAfter = 0;
    }
    void TearDown() override {
        EndLingeringCommand();
        WaitForNoProbe();
    }
};

TEST_F(ConsoleRunner, HandsEveryChunkOverInOrderAndReturnsAllOutput) {
    const ConsoleRun run = RunConsoleCommandWithin(Probe("chunks 3 150"), &Collect, 10000);
    EXPECT_EQ(run.outcome, RunOutcome::Ended);
    EXPECT_EQ(run.output, "chunk 1\r\nchunk 2\r\nchunk 3\r\n");
    std::string joined;
    for (const std::string& chunk : g_chunks) joined += chunk;
    EXPECT_EQ(joined, run.output);
    EXPECT_GE(g_chunks.size(), 2u) << "written 150 ms apart, the lines arrive in several chunks";
}

TEST_F(ConsoleRunner, StandardErrorArrivesInTheSameStreamInTheOrderWritten) {
    const ConsoleRun run = RunConsoleCommandWithin(Probe("interleave"), &Collect, 10000);
    EXPECT_EQ(run.output, "out 1\r\nerr 2\r\nout 3\r\nerr 4\r\n");
}

TEST_F(ConsoleRunner, AHandlerThatStopsSeesOnlyTheFirstChunk) {
    g_stopAfter = 1;
    const ConsoleRun run = RunConsoleCommandWithin(Probe("chunks 3 300"), &Collect, 10000);
    EXPECT_EQ(run.outcome, RunOutcome::StoppedByHandler);
    ASSERT_EQ(g_chunks.size(), 1u);
    EXPECT_EQ(g_chunks[0], "chunk 1\r\n");
    EXPECT_EQ(run.output, "chunk 1\r\n");
}

TEST_F(ConsoleRunner, AChildThatWritesNothingGivesNothing) {
    const ConsoleRun run = RunConsoleCommandWithin(Probe("silent"), &Collect, 10000);
    EXPECT_EQ(run.outcome, RunOutcome::Ended);
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(g_chunks.empty());
}

TEST_F(ConsoleRunner, AHungChildIsCutOffWithEverythingItStarted) {
    for (const char* mode : {"hang", "spawn-hang"}) {
        const DWORD start = GetTickCount();
        const ConsoleRun run = RunConsoleCommandWithin(Probe(mode), &Collect, kConsoleRunLimitMs);
        const DWORD blocked = GetTickCount() - start;
        EXPECT_EQ(run.outcome, RunOutcome::TimedOut) << mode;
        EXPECT_LT(blocked, 3000u) << mode << ": the caller was blocked too long";
        EXPECT_GE(blocked, 2000u) << mode << ": cut off before the 2 s every answer gets";
        EXPECT_TRUE(WaitForNoProbe()) << mode << ": " << ProbeProcesses() << " probe processes left";
    }
}

TEST_F(ConsoleRunner, AnAnswerWithin2SecondsIsNeverCutOff) {
    g_stopAfter = 1;  // as the CPU reading does: the first chunk is the answer
    const ConsoleRun run = RunConsoleCommandWithin(Probe("late 1900"), &Collect, kConsoleRunLimitMs);
    EXPECT_EQ(run.outcome, RunOutcome::StoppedByHandler);
    EXPECT_EQ(run.output, "answer\r\n");
}

TEST_F(ConsoleRunner, AChildThatAnsweredIsLeftRunningUntilTheNextRun) {
    g_stopAfter = 1;
    const ConsoleRun run = RunConsoleCommandWithin(Probe("answer-linger"), &Collect, kConsoleRunLimitMs);
    EXPECT_EQ(run.outcome, RunOutcome::StoppedByHandler);
    Sleep(200);
    EXPECT_EQ(ProbeProcesses(), 1) << "left to end by itself";
    // The next run ends it first: never two tool trees at once.
    RunConsoleCommandWithin(Probe("silent"), &Collect, kConsoleRunLimitMs);
    EXPECT_TRUE(WaitForNoProbe());
}

TEST_F(ConsoleRunner, TheEmptyCommandStillRunsTheInterpreter) {
    const ConsoleRun run = RunConsoleCommandWithin("", &Collect, kConsoleRunLimitMs);
    EXPECT_NE(run.outcome, RunOutcome::NotStarted);
    EXPECT_NE(run.outcome, RunOutcome::TimedOut);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: console_tests <path of console_probe.exe>\n");
        return 2;
    }
    g_probe = argv[1];
    if (!g_probe.empty() && g_probe[0] == '/') {
        g_probe = "Z:" + g_probe;
        for (char& c : g_probe) {
            if (c == '/') c = '\\';
        }
    }
    return RUN_ALL_TESTS();
}
