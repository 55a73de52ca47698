// The CPU reading's parts: choosing the line, parsing it through the real regular-expression
// engine, the command line, and the pause after a hung tool.
#include <gtest/gtest.h>

#include <deque>

#include "readings/console_runner.h"
#include "readings/cpu_load.h"
#include "readings/cpu_schedule.h"
#include "readings/cpu_table.h"
#include "support/regex_object.h"

namespace {

std::string Table(const char* lineEnd, const char* idle, bool trailingBlank = true) {
    std::string table = std::string("Name    PercentIdleTime  ") + lineEnd + "0       97               " + lineEnd +
                        "1       99               " + lineEnd + "_Total  " + idle + "               " + lineEnd;
    if (trailingBlank) table += lineEnd;
    return table;
}

TEST(ParseCpuChunk, StoresBusyFromTheTotalLineOrKeepsTheLastValue) {
    struct Case { std::string chunk; int before; int expected; bool reading; const char* label; };
    const Case cases[] = {
        {Table("\r\r\n", "98"), 0, 2, true, "CR CR LF"},
        {Table("\r\n", "98"), 0, 2, true, "CR LF"},
        {Table("\r\r\n", "100"), 0, 1, true, "fully idle shows 1, never 0"},
        {Table("\r\r\n", "0"), 0, 100, true, "fully busy"},
        {Table("\r\r\n", "98", false), 37, 37, false, "no trailing blank line: a processor line is chosen"},
        {"Node - ERROR\r\nDescription = Invalid query\r\n", 37, 37, false, "an error text"},
        {"", 37, 37, false, "nothing"},
        {"_Total 50", 37, 37, false, "no line feed at all"},
        {"名称    空闲\r\r\n_Total  95\r\r\n\r\r\n", 37, 5, true, "GBK bytes in the output"},
        {"\xB0\xA1Total 40\r\n\r\n", 37, 60, true, "a two-byte character before Total"},
        {"header\r\n_Total 99999999999\r\n\r\n", 37, 1, true, "a figure beyond any percentage"},
        {Table("\r\r\n", ""), 37, 37, false, "a blank figure is no reading, never full load"},
        {Table("\r\r\n", "  "), 0, 0, false, "a blank figure before any sample"},
    };
    for (const Case& c : cases) {
        cpuBusyPercent = c.before;
        EXPECT_EQ(ParseCpuChunk(c.chunk.c_str()), 1) << c.label;
        EXPECT_EQ(cpuBusyPercent, c.expected) << c.label;
        EXPECT_EQ(LastCpuChunkGaveReading(), c.reading) << c.label;
    }
    cpuBusyPercent = 0;
}

TEST(ParseCpuChunk, ChoosesPieceKMinusOne) {
    EXPECT_EQ(ChooseCpuLine(Table("\r\n", "98")), "_Total  98               ");
    EXPECT_EQ(ChooseCpuLine(Table("\r\r\n", "98")), "_Total  98               \r");
    EXPECT_EQ(ChooseCpuLine("one line\r\n"), "");
    EXPECT_EQ(ChooseCpuLine(""), "");
}

TEST(RegexObject, MatchesThroughTheScriptingEngine) {
    RegexObject regex;
    EXPECT_TRUE(regex.Create("[0-9]", "_Total  98"));
    EXPECT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(1), "9");
    EXPECT_EQ(regex.MatchText(2), "8");
    EXPECT_EQ(regex.MatchText(0), "");
    EXPECT_EQ(regex.MatchText(3), "");

    EXPECT_TRUE(regex.Create("[0-9]", "_Total  98", false, true, false));
    EXPECT_EQ(regex.MatchCount(), 1) << "global off";

    EXPECT_TRUE(regex.Create("[a-z]", "A"));
    EXPECT_EQ(regex.MatchCount(), 1) << "ignores case by default";
    EXPECT_TRUE(regex.Create("[a-z]", "A", true));
    EXPECT_EQ(regex.MatchCount(), 0) << "case-sensitive";

    EXPECT_TRUE(regex.Create("[0-9]", "no digits here"));
    EXPECT_EQ(regex.MatchCount(), 0);

    EXPECT_TRUE(regex.Create("a.b", "a\nb"));
    EXPECT_EQ(regex.MatchCount(), 0) << "no single-line mode: . never matches a line feed";

    EXPECT_TRUE(regex.Create("^b", "a\nb"));
    EXPECT_EQ(regex.MatchCount(), 1) << "multiline by default";

    EXPECT_TRUE(regex.Create("任务", "在任务栏上"));
    EXPECT_EQ(regex.MatchText(1), "任务") << "GBK texts go in and come out";
}

TEST(RegexObject, AnEmptyObjectAnswersEmpty) {
    RegexObject regex;
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), "");
    EXPECT_FALSE(regex.Create("(", "unbalanced")) << "an invalid pattern gives no collection";
    EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(CommandLine, IsThePrefixThenTheCommandFilledTo520Bytes) {
    struct Case { std::string command; std::size_t commandBytes; std::size_t zeros; };
    const Case cases[] = {
        {"wmic", 10, 510},
        {"", 0, 520},
        {std::string(258, 'a'), 518, 2},
        {std::string(259, 'a'), 520, 0},
        {std::string(300, 'a'), 602, 0},
    };
    for (const Case& c : cases) {
        const ByteBuffer line = BuildCommandLine("cmd.exe /c ", c.command);
        const std::size_t prefixBytes = 22;
        ASSERT_EQ(line.size(), prefixBytes + c.commandBytes + c.zeros) << c.command.size();
        EXPECT_EQ(TextOfBuffer(ByteBuffer(line.begin(), line.begin() + 2)), "c");
        EXPECT_EQ(line[20], ' ');
        for (std::size_t i = prefixBytes + c.commandBytes; i < line.size(); ++i) ASSERT_EQ(line[i], 0) << i;
        if (!c.command.empty()) {
            EXPECT_EQ(line[prefixBytes], static_cast<unsigned char>(c.command[0]));
            EXPECT_EQ(line[prefixBytes + c.commandBytes - 1], 0) << "its own terminator";
            EXPECT_EQ(line[prefixBytes + c.commandBytes - 2], 0);
        }
    }
    EXPECT_EQ(InterpreterPrefix(), "cmd.exe /c ");
}

// A hung tool, sampled every 3 s for half an hour: no single block above 3 s and never more
// than 6 s blocked in any minute. A tool that answers is sampled at every tick.
TEST(CpuSampleSchedule, AHungToolCostsAtMostATenthOfAnyMinute) {
    CpuSampleSchedule schedule;
    std::deque<std::pair<std::uint32_t, std::uint32_t>> blocks;  // start, end
    std::uint32_t now = 0xFFFF0000u;  // across the tick count's wrap too
    std::uint32_t worstMinute = 0;
    int samples = 0;
    for (int tick = 0; tick < 600; ++tick, now += 3000) {
        if (!schedule.ToolMayRun(now)) continue;
        ++samples;
        const std::uint32_t end = now + kConsoleRunLimitMs;
        schedule.RecordToolRun(false, true, end);
        blocks.emplace_back(now, end);
        while (!blocks.empty() && static_cast<std::int32_t>(end - blocks.front().first) > 60000) blocks.pop_front();
        std::uint32_t blocked = 0;
        for (const auto& block : blocks) blocked += block.second - block.first;
        worstMinute = std::max(worstMinute, blocked);
    }
    EXPECT_LE(worstMinute, 6000u);
    EXPECT_LE(kConsoleRunLimitMs, 3000u);
    EXPECT_GT(samples, 5) << "it keeps trying";

    CpuSampleSchedule healthy;
    int answered = 0;
    for (int tick = 0; tick < 100; ++tick, now += 3000) {
        if (!healthy.ToolMayRun(now)) continue;
        ++answered;
        healthy.RecordToolRun(true, false, now + 200);
    }
    EXPECT_EQ(answered, 100);

    // One time-out, then answers again: back to every tick after the pause.
    CpuSampleSchedule recovering;
    recovering.RecordToolRun(false, true, 0);
    EXPECT_FALSE(recovering.ToolMayRun(3000));
    EXPECT_TRUE(recovering.ToolMayRun(CpuSampleSchedule::kFirstPauseMs));
    recovering.RecordToolRun(true, false, CpuSampleSchedule::kFirstPauseMs + 100);
    EXPECT_TRUE(recovering.ToolMayRun(CpuSampleSchedule::kFirstPauseMs + 3000));
}

// A tool that answers without a reading (an error text, no _Total line) is asked at the next
// ticks; the third such run in a row pauses it as a hang does, and the pauses grow while it keeps
// failing. One answer with a reading resets everything.
TEST(CpuSampleSchedule, ThreeRunsWithoutAReadingPauseTheTool) {
    CpuSampleSchedule schedule;
    std::uint32_t now = 0;
    schedule.RecordToolRun(false, false, now += 3000);
    EXPECT_TRUE(schedule.ToolMayRun(now + 3000)) << "after one failure";
    schedule.RecordToolRun(false, false, now += 3000);
    EXPECT_TRUE(schedule.ToolMayRun(now + 3000)) << "after two failures";
    schedule.RecordToolRun(false, false, now += 3000);
    EXPECT_FALSE(schedule.ToolMayRun(now + 3000)) << "after three failures";
    EXPECT_FALSE(schedule.ToolMayRun(now + CpuSampleSchedule::kFirstPauseMs - 1));
    EXPECT_TRUE(schedule.ToolMayRun(now + CpuSampleSchedule::kFirstPauseMs));

    now += CpuSampleSchedule::kFirstPauseMs;
    schedule.RecordToolRun(false, false, now);
    EXPECT_FALSE(schedule.ToolMayRun(now + CpuSampleSchedule::kFirstPauseMs)) << "a retry that fails pauses longer";
    EXPECT_TRUE(schedule.ToolMayRun(now + 2 * CpuSampleSchedule::kFirstPauseMs));

    now += 2 * CpuSampleSchedule::kFirstPauseMs;
    schedule.RecordToolRun(true, false, now);
    EXPECT_TRUE(schedule.ToolMayRun(now + 3000));
    schedule.RecordToolRun(false, false, now += 3000);
    EXPECT_TRUE(schedule.ToolMayRun(now + 3000)) << "the count starts again after a reading";
}

TEST(BusyFromProcessorTimes, IdleShareRoundedHalfAwayFromZero) {
    struct Case { std::uint64_t idle, kernel, user; int last; int expected; const char* label; };
    const Case cases[] = {
        {50, 80, 20, 7, 50, "half idle"},
        {100, 100, 0, 7, 1, "fully idle shows 1, never 0"},
        {0, 50, 50, 7, 100, "fully busy"},
        {1, 200, 0, 7, 99, "idle 0.5 % rounds up to 1"},
        {3, 200, 0, 7, 98, "idle 1.5 % rounds up to 2"},
        {149, 1000, 0, 7, 85, "idle 14.9 % rounds to 15"},
        {0, 0, 0, 37, 37, "no time passed keeps the last value"},
        {150, 100, 0, 7, 1, "idle counted a hair above the total"},
        {40000000000000000ull, 70000000000000000ull, 10000000000000000ull, 7, 50, "large counts, no overflow"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BusyFromProcessorTimes(c.idle, c.kernel, c.user, c.last), c.expected) << c.label;
    }
}

}  // namespace
