// The arithmetic of the readings: interface tables built byte by byte, speed texts, layout, theme.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "readings/layout.h"
#include "readings/speed.h"
#include "readings/traffic.h"
#include "ui/docking.h"

namespace {

// (download, upload) counters per row, in the published MIB_IFTABLE layout.
ByteBuffer InterfaceTable(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& rows) {
    ByteBuffer table = BlankBuffer(kIfRowsOffset + static_cast<int>(rows.size()) * kIfRowSize);
    auto put = [&](int position, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) table[position + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    put(0, static_cast<std::uint32_t>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = kIfRowsOffset + static_cast<int>(i) * kIfRowSize;
        put(row + kInOctetsOffset, rows[i].first);
        put(row + kOutOctetsOffset, rows[i].second);
    }
    return table;
}

TEST(InterfaceRow, TheLastRowWithBothCountersAboveOneIsChosen) {
    struct Case { std::vector<std::pair<std::uint32_t, std::uint32_t>> rows; int expected; };
    const Case cases[] = {
        {{{0, 0}, {5000, 3000}, {1, 9}}, 2},  // row 3's download counter is not above 1
        {{{10, 10}, {20, 20}}, 2},
        {{{2, 2}}, 1},
        {{{0, 0}, {1, 1}}, 0},
        {{}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseInterfaceRow(InterfaceTable(c.rows)), c.expected) << "rows " << c.rows.size();
    }
}

TEST(InterfaceRow, ACountLargerThanTheBufferIsNeverReadPast) {
    ByteBuffer table = InterfaceTable({{5000, 3000}, {7000, 6000}});
    table[0] = 200;  // claims 200 rows
    EXPECT_EQ(InterfaceRowCount(table), 2);
    EXPECT_EQ(ChooseInterfaceRow(table), 2);
    EXPECT_EQ(InterfaceRowCount(ByteBuffer{5, 0, 0, 0}), 0);
    EXPECT_EQ(InterfaceRowCount(ByteBuffer{}), 0);
}

TEST(InterfaceRow, TheChoiceStaysWhileTheTableKeepsTheRow) {
    SpeedState state;
    InterfaceCounters counters = CountersFromTable(InterfaceTable({{100, 50}, {200, 80}}), state);
    EXPECT_EQ(counters.row, 2);
    EXPECT_EQ(counters.inOctets, 200u);
    EXPECT_EQ(counters.outOctets, 80u);
    // The earlier row now carries more traffic; the choice is not revised.
    counters = CountersFromTable(InterfaceTable({{900000, 900000}, {300, 90}}), state);
    EXPECT_EQ(counters.row, 2);
    EXPECT_EQ(counters.inOctets, 300u);
}

TEST(InterfaceRow, NoQualifyingRowGivesNoReadingAndChoosesLater) {
    SpeedState state;
    EXPECT_EQ(CountersFromTable(InterfaceTable({{0, 0}}), state).row, 0);
    EXPECT_EQ(state.selectedRow, 0);
    EXPECT_EQ(CountersFromTable(InterfaceTable({{0, 0}, {5, 5}}), state).row, 2);
}

TEST(InterfaceRow, AShrunkenTableChoosesAgainAndStartsFromNothing) {
    SpeedState state;
    CountersFromTable(InterfaceTable({{10, 10}, {20, 20}, {3000, 4000}}), state);
    ASSERT_EQ(state.selectedRow, 3);
    state.lastInOctets = 3000;
    state.lastOutOctets = 4000;

    const InterfaceCounters counters = CountersFromTable(InterfaceTable({{10, 10}, {9000, 9100}}), state);
    EXPECT_EQ(counters.row, 2);
    EXPECT_EQ(state.lastInOctets, 0u) << "both previous counters forgotten";
    EXPECT_EQ(state.lastOutOctets, 0u);
    EXPECT_EQ(KilobytesSince(counters.outOctets, state.lastOutOctets), "0.0") << "starts again from 0.0K/s";
}

TEST(SpeedSample, IsKilobytesSinceThePreviousSampleAcrossAWrapAndNothingAfterAReset) {
    struct Case { std::uint32_t last, current; const char* expected; std::uint32_t lastAfter; };
    const Case cases[] = {
        {0, 123456, "0.0", 123456},               // the first sample shows no traffic
        {1000, 1000, "0.0", 1000},
        {1000, 4113, "3.0", 4113},                // 3.04 KB
        {1000, 13800, "12.5", 13800},
        {0xFFFFFF00u, 0x00000100u, "0.5", 0x100}, // wrapped: 512 bytes, not a huge figure
        {0xFFFFFFFFu, 1023, "1.0", 1023},
        {0x80000001u, 0, "2097152.0", 0},         // just under half the range: still a wrap
        {1, 0xFFFFFFFFu, "0.0", 0xFFFFFFFFu},     // half the range or more: a reset, not 4 GB
        {5000000, 120000, "0.0", 120000},         // adapter reset: no spike, reseeded
        {0, 0x80000000u, "0.0", 0x80000000u},     // the first sample never goes through the rule
    };
    for (const Case& c : cases) {
        std::uint32_t last = c.last;
        EXPECT_EQ(KilobytesSince(c.current, last), c.expected) << "last " << c.last << " current " << c.current;
        EXPECT_EQ(last, c.lastAfter);
    }
}

TEST(SpeedText, UsesKilobytesUpTo1000AndMegabytesAbove) {
    struct Case { double kilobytes; const char* expected; };
    const Case cases[] = {
        {0, "0.0K/s"},      {3.04, "3.0K/s"},    {12.5, "12.5K/s"},  {999.9, "999.9K/s"},
        {1000.9, "1000.9K/s"}, {1001.0, "1M/s"}, {1536.0, "1.5M/s"}, {10291.2, "10M/s"},
        {2048, "2M/s"},     {1023.4, "1M/s"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SpeedText(FormatFixed(c.kilobytes, 1)), c.expected) << "kilobytes " << c.kilobytes;
    }
    EXPECT_EQ(SpeedText("0"), "0K/s") << "no reading";
}

TEST(ReadingLayout, ColumnsStandByTheSwitches) {
    struct Case { bool memory, cpu; int width, speeds, arrows, memoryLeft, cpuLeft; };
    const Case cases[] = {
        {false, false, 70, 12, 0, -100, -100},
        {true, false, 100, 42, 30, 0, -100},
        {false, true, 100, 42, 30, -100, 0},
        {true, true, 130, 72, 60, 30, 0},
    };
    for (const Case& c : cases) {
        const ReadingLayout layout = LayoutReadings(c.width, c.memory, c.cpu, 30);
        EXPECT_EQ(layout.speedsLeft, c.speeds) << "width " << c.width;
        EXPECT_EQ(layout.arrowsLeft, c.arrows) << "width " << c.width;
        EXPECT_EQ(layout.memoryLeft, c.memoryLeft) << "width " << c.width;
        EXPECT_EQ(layout.cpuLeft, c.cpuLeft) << "width " << c.width;
    }
}

TEST(Theme, OnlyANonZeroDwordIsLight) {
    EXPECT_EQ(ThemeFromValue(true, REG_DWORD, 1), 1);
    EXPECT_EQ(ThemeFromValue(true, REG_DWORD, 0xFFFFFFFF), 1);
    EXPECT_EQ(ThemeFromValue(true, REG_DWORD, 0), 0);
    EXPECT_EQ(ThemeFromValue(false, REG_DWORD, 1), 0);
    EXPECT_EQ(ThemeFromValue(true, REG_SZ, 1), 0);
    EXPECT_EQ(ThemeFromValue(true, REG_BINARY, 1), 0);
}

}  // namespace

namespace {

// Adapters come and go between ticks: the chosen place is kept while the table holds it,
// chosen afresh when it does not, and the table is never read past its end.
TEST(InterfaceRow, InterfacesAddedAndRemovedBetweenTicks) {
    SpeedState state;
    struct Tick { std::vector<std::pair<std::uint32_t, std::uint32_t>> rows; int row; const char* upload; };
    const Tick ticks[] = {
        {{{100, 100}, {5000, 4000}}, 2, "0.0"},                 // chosen, first sample
        {{{100, 100}, {5000, 5024}, {9, 9}}, 2, "1.0"},         // one added after it
        {{{6000, 6048}, {7000, 7000}, {9, 9}}, 2, "1.9"},       // one removed before it: the place now names another
        {{{6000, 6048}}, 1, "0.0"},                             // shrunk below the place: chosen again
        {{}, 0, nullptr},                                       // none at all
        {{{10, 10}, {20, 2068}}, 2, "0.0"},                     // back
        {{{10, 10}, {20, 3092}}, 2, "1.0"},
    };
    for (const Tick& tick : ticks) {
        const InterfaceCounters counters = CountersFromTable(InterfaceTable(tick.rows), state);
        EXPECT_EQ(counters.row, tick.row) << "rows " << tick.rows.size();
        if (tick.upload) {
            EXPECT_EQ(KilobytesSince(counters.outOctets, state.lastOutOctets), tick.upload) << "rows " << tick.rows.size();
        }
    }
}

}  // namespace

namespace {

// Ticks of interface tables as plain rows (index, in, out): which interface is measured, and
// what it grew by (both ways alike here) on that tick.
struct TrafficStep {
    std::vector<InterfaceRow> rows;
    std::uint32_t measured;
    long long growth;  // -1: not checked
};

void ExpectTraffic(const char* what, const std::vector<TrafficStep>& steps) {
    TrafficMeter meter;
    int tick = 0;
    for (const TrafficStep& step : steps) {
        const TrafficTick reading = meter.Feed(step.rows);
        EXPECT_EQ(meter.MeasuredIndex(), step.measured) << what << ", tick " << tick;
        if (step.growth >= 0) {
            EXPECT_EQ(static_cast<long long>(reading.inBytes), step.growth) << what << ", tick " << tick;
            EXPECT_EQ(static_cast<long long>(reading.outBytes), step.growth) << what << ", tick " << tick;
        }
        ++tick;
    }
}

// Counters of an interface that carries `rate` bytes a tick both ways, at tick t.
InterfaceRow Flowing(std::uint32_t index, std::uint32_t start, std::uint32_t rate, int t) {
    return {index, start + rate * static_cast<std::uint32_t>(t), start + rate * static_cast<std::uint32_t>(t)};
}

constexpr std::uint32_t kBusy = 100 * 1024;

TEST(TrafficMeter, FollowsTheInterfaceThatCarriesTheTraffic) {
    std::vector<TrafficStep> loopbackAndIdleEthernet;
    for (int t = 0; t < 6; ++t) {
        // The reproduced case: busy index 1, two idle rows, and an idle qualifying index 4.
        loopbackAndIdleEthernet.push_back({{Flowing(1, 5000, kBusy, t), {2, 0, 0}, {3, 0, 0}, {4, 9000, 7000}},
                                           t < 3 ? 4u : 1u, t == 0 ? 0 : (t < 3 ? 0 : kBusy)});
    }
    ExpectTraffic("busy loopback, idle Ethernet", loopbackAndIdleEthernet);

    std::vector<TrafficStep> mirrored;
    for (int t = 0; t < 10; ++t) {
        // A filter row mirrors its adapter, one percent ahead now and then: no flicker.
        const std::uint32_t extra = t % 2 ? 1024 : 0;
        mirrored.push_back({{Flowing(7, 100, kBusy + extra, t), Flowing(9, 100, kBusy, t)}, 9u, -1});
    }
    ExpectTraffic("mirrored rows", mirrored);

    std::vector<TrafficStep> burst;
    for (int t = 0; t < 8; ++t) {
        // One tick of ten times the measured rate on another interface does not switch.
        const std::uint32_t other = 100 + (t >= 4 ? 10 * kBusy : 0);
        burst.push_back({{{3, other, other}, Flowing(5, 100, kBusy, t)}, 5u, t == 0 ? 0 : kBusy});
    }
    ExpectTraffic("a one-tick burst elsewhere", burst);

    std::vector<TrafficStep> wifiToEthernet;
    for (int t = 0; t < 10; ++t) {
        // Wi-Fi (index 12) stops after tick 3 and Ethernet (index 2) starts: followed within
        // three ticks, and the switch tick shows Ethernet's own growth, no jump.
        const int ethernetTicks = t > 3 ? t - 3 : 0;
        const int wifiTicks = t > 3 ? 3 : t;
        wifiToEthernet.push_back({{Flowing(2, 50, kBusy, ethernetTicks), Flowing(12, 50, kBusy, wifiTicks)},
                                  t < 6 ? 12u : 2u, t == 0 ? 0 : (t <= 3 ? kBusy : (t < 6 ? 0 : kBusy))});
    }
    ExpectTraffic("Wi-Fi to Ethernet", wifiToEthernet);
}

TEST(TrafficMeter, InterfacesComingAndGoingNeverMakeASpike) {
    ExpectTraffic("a row inserted before the measured one", {
        {{{3, 10, 10}, {8, 1000, 1000}}, 8, 0},
        {{{1, 50, 50}, {3, 10, 10}, {8, 3048, 3048}}, 8, 2048},
        {{{1, 50, 50}, {3, 10, 10}, {8, 4048, 4048}}, 8, 1000},
    });
    ExpectTraffic("the measured interface vanishes", {
        {{{3, 10, 10}, {5, 500, 500}, {8, 1000, 1000}}, 8, 0},
        {{{3, 20, 20}, {5, 900, 900}, {8, 2000, 2000}}, 8, 1000},
        {{{3, 30, 30}, {5, 1300, 1300}}, 5, 400},  // the busiest of the rest, its own growth
        {{{3, 40, 40}, {5, 1700, 1700}}, 5, 400},
    });
    ExpectTraffic("gone for a tick, back lower and back much higher", {
        {{{6, 1000, 1000}, {8, 900000, 900000}}, 8, 0},
        {{{6, 2000, 2000}}, 6, 1000},
        {{{6, 3000, 3000}, {8, 100, 100}}, 6, 1000},           // back with a lower counter: afresh
        {{{6, 4000, 4000}}, 6, 1000},
        {{{6, 5000, 5000}, {8, 0xF0000000u, 0xF0000000u}}, 6, 1000},  // back much higher: afresh
        {{{6, 6000, 6000}, {8, 0xF0000000u, 0xF0000000u}}, 6, 1000},
    });
    ExpectTraffic("a counter that goes down", {
        {{{4, 5000000, 5000000}}, 4, 0},
        {{{4, 120000, 120000}}, 4, 0},
        {{{4, 121024, 121024}}, 4, 1024},
    });
    ExpectTraffic("no row with both counters above 1", {
        {{{1, 0, 7}, {2, 9, 1}}, 0, 0},
        {{}, 0, 0},
    });
}

}  // namespace
