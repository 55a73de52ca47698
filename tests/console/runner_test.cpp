// The console command runner against a small console program of the project's own, started
// through the real cmd.exe of the prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "readings/console_runner.h"
#include "support/unique.h"
#include "tests/support/observe.h"
#include "tests/support/test_main.h"

namespace {

std::string g_probe;  // Windows path of console_probe.exe
std::vector<std::string> g_chunks;
int g_stopAfter = 0;

int Collect(const char* chunk) {
    g_chunks.emplace_back(chunk);
    return g_stopAfter > 0 && static_cast<int>(g_chunks.size()) >= g_stopAfter ? 1 : 0;
}

std::string Probe(const std::string& arguments) { return "\"" + g_probe + "\" " + arguments; }

int ProbeProcesses() { return ProcessesNamed("console_probe.exe"); }

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
        PauseAfterEmptyPeekForTesting(0);
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

// A tool that writes as its last act and ends, together with cmd.exe, between a look that found
// the pipe empty and the question whether the child has ended: what it wrote is still read. In a
// real run that moment lasts microseconds; the pause makes it last until the child has ended.
TEST_F(ConsoleRunner, OutputWrittenJustBeforeTheEndIsStillRead) {
    struct Case { const char* mode; int stopAfter; RunOutcome outcome; const char* output; };
    const Case cases[] = {
        {"late 300", 0, RunOutcome::Ended, "answer\r\n"},
        {"late 300", 1, RunOutcome::StoppedByHandler, "answer\r\n"},  // as the CPU reading asks
        {"chunks 3 300", 0, RunOutcome::Ended, "chunk 1\r\nchunk 2\r\nchunk 3\r\n"},
    };
    PauseAfterEmptyPeekForTesting(5000);
    for (const Case& c : cases) {
        g_chunks.clear();
        g_stopAfter = c.stopAfter;
        const ConsoleRun run = RunConsoleCommandWithin(Probe(c.mode), &Collect, 10000);
        EXPECT_EQ(run.outcome, c.outcome) << c.mode << ", stop after " << c.stopAfter;
        EXPECT_EQ(run.output, c.output) << c.mode << ", stop after " << c.stopAfter;
        std::string joined;
        for (const std::string& chunk : g_chunks) joined += chunk;
        EXPECT_EQ(joined, run.output) << c.mode << ": the handler saw every chunk read";
        EndLingeringCommand();
    }
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

// The WMI command-line tool reads its standard input after answering: that input must end at
// once, and must never be the pipe the answer comes through.
TEST_F(ConsoleRunner, AChildThatReadsItsInputStillAnswersAndEnds) {
    struct Case { const char* mode; const char* what; };
    const Case cases[] = {
        {"read-answer", "reads its input to the end, then answers"},
        {"answer-read", "answers, then reads its input to the end"},
    };
    for (const Case& c : cases) {
        g_chunks.clear();
        g_stopAfter = 1;
        const DWORD start = GetTickCount();
        const ConsoleRun run = RunConsoleCommandWithin(Probe(c.mode), &Collect, kConsoleRunLimitMs);
        EXPECT_EQ(run.outcome, RunOutcome::StoppedByHandler) << c.what;
        EXPECT_EQ(run.output, "answer\r\n") << c.what;
        EXPECT_LT(GetTickCount() - start, 2000u) << c.what << ": the answer waited for the time limit";
        EXPECT_TRUE(WaitForNoProbe(1500)) << c.what << ": the probe did not end";
        EndLingeringCommand();
    }
}

TEST_F(ConsoleRunner, AnAnswerWithin2SecondsIsNeverCutOff) {
    g_stopAfter = 1;  // as the CPU reading does: the first chunk is the answer
    const ConsoleRun run = RunConsoleCommandWithin(Probe("late 1900"), &Collect, kConsoleRunLimitMs);
    EXPECT_EQ(run.outcome, RunOutcome::StoppedByHandler);
    EXPECT_EQ(run.output, "answer\r\n");
}

TEST_F(ConsoleRunner, AChildThatAnsweredAndLingersIsEndedSoonAfter) {
    g_stopAfter = 1;
    ConsoleRun run = RunConsoleCommandWithin(Probe("answer-linger"), &Collect, kConsoleRunLimitMs);  // stays 5 s
    const DWORD answered = GetTickCount();
    EXPECT_EQ(run.outcome, RunOutcome::StoppedByHandler);
    Sleep(200);
    EXPECT_EQ(ProbeProcesses(), 1) << "given a moment to end by itself";
    // As the one-second refresh does.
    while (CommandIsLingering() && GetTickCount() - answered < 4000) {
        RetireLingeringCommand(GetTickCount(), kLingerGraceMs);
        Sleep(100);
    }
    EXPECT_FALSE(CommandIsLingering());
    EXPECT_TRUE(WaitForNoProbe(1000)) << "ended after its grace, long before its own 5 s";

    // A run ends the one before it first: never two tool trees at once.
    run = RunConsoleCommandWithin(Probe("answer-linger"), &Collect, kConsoleRunLimitMs);
    EXPECT_EQ(run.outcome, RunOutcome::StoppedByHandler);
    RunConsoleCommandWithin(Probe("silent"), &Collect, kConsoleRunLimitMs);
    EXPECT_TRUE(WaitForNoProbe());
}

TEST_F(ConsoleRunner, WhereNoJobCanHoldTheRunNothingRunsAndNothingIsLeft) {
    RefuseJobsForTesting(true);
    const DWORD start = GetTickCount();
    const ConsoleRun run = RunConsoleCommandWithin(Probe("spawn-hang"), &Collect, kConsoleRunLimitMs);
    const DWORD took = GetTickCount() - start;
    RefuseJobsForTesting(false);
    EXPECT_EQ(run.outcome, RunOutcome::NotStarted);
    EXPECT_LT(took, 1000u);
    EXPECT_TRUE(WaitForNoProbe(1000)) << ProbeProcesses() << " probe processes left";
}

TEST_F(ConsoleRunner, TheEmptyCommandStillRunsTheInterpreter) {
    const ConsoleRun run = RunConsoleCommandWithin("", &Collect, kConsoleRunLimitMs);
    EXPECT_NE(run.outcome, RunOutcome::NotStarted);
    EXPECT_NE(run.outcome, RunOutcome::TimedOut);
}

}  // namespace

int main(int argc, char** argv) {
    return RunAllTestsWithPaths(argc, argv, "console_tests <path of console_probe.exe>",
                                {[](const std::string& path) { g_probe = path; }});
}
