// The arithmetic of the readings: interface tables built byte by byte, speed texts, layout, theme.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "readings/layout.h"
#include "readings/speed.h"
#include "readings/traffic.h"
#include "ui/docking.h"

namespace {

// Rows (index, download, upload) in the published MIB_IFTABLE layout.
ByteBuffer InterfaceTable(const std::vector<InterfaceRow>& rows) {
    ByteBuffer table = BlankBuffer(kIfRowsOffset + static_cast<int>(rows.size()) * kIfRowSize);
    auto put = [&](int position, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) table[position + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    put(0, static_cast<std::uint32_t>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = kIfRowsOffset + static_cast<int>(i) * kIfRowSize;
        put(row + kIfIndexOffset, rows[i].index);
        put(row + kInOctetsOffset, rows[i].inOctets);
        put(row + kOutOctetsOffset, rows[i].outOctets);
    }
    return table;
}

// One tick of the meter on a table built byte by byte.
TrafficTick FeedTable(TrafficMeter& meter, const std::vector<InterfaceRow>& rows) {
    return meter.Feed(InterfaceRowsOf(InterfaceTable(rows)));
}

TEST(InterfaceRow, TheLastRowWithBothCountersAboveOneIsChosen) {
    struct Case { std::vector<InterfaceRow> rows; std::uint32_t expected; };
    const Case cases[] = {
        {{{1, 0, 0}, {6, 5000, 3000}, {3, 1, 9}}, 6},  // the third row's download counter is not above 1
        {{{11, 10, 10}, {2, 20, 20}}, 2},              // the later row, whatever its index
        {{{4, 2, 2}}, 4},
        {{{1, 0, 0}, {2, 1, 1}}, 0},
        {{}, 0},
    };
    for (const Case& c : cases) {
        TrafficMeter meter;
        const TrafficTick tick = FeedTable(meter, c.rows);
        EXPECT_EQ(meter.MeasuredIndex(), c.expected) << "rows " << c.rows.size();
        EXPECT_EQ(tick.measured, c.expected != 0) << "rows " << c.rows.size();
        EXPECT_EQ(tick.inBytes + tick.outBytes, 0u) << "the first figures show no traffic";
    }
}

TEST(InterfaceRow, ACountLargerThanTheBufferIsNeverReadPast) {
    ByteBuffer table = InterfaceTable({{3, 5000, 3000}, {9, 7000, 6000}});
    table[0] = 200;  // claims 200 rows
    EXPECT_EQ(InterfaceRowCount(table), 2);
    const std::vector<InterfaceRow> rows = InterfaceRowsOf(table);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].index, 9u);
    EXPECT_EQ(rows[1].inOctets, 7000u);
    EXPECT_EQ(rows[1].outOctets, 6000u);
    EXPECT_EQ(InterfaceRowCount(ByteBuffer{5, 0, 0, 0}), 0);
    EXPECT_EQ(InterfaceRowCount(ByteBuffer{}), 0);
    EXPECT_TRUE(InterfaceRowsOf(ByteBuffer{5, 0, 0, 0}).empty());
}

TEST(InterfaceRow, TheChoiceStaysUntilAnotherCarriesClearlyMoreForMostOfTheWindow) {
    TrafficMeter meter;
    EXPECT_EQ(FeedTable(meter, {{1, 100, 50}, {2, 200, 80}}).index, 2u);
    // The earlier row carries more for one tick and twice: not yet.
    TrafficTick tick = FeedTable(meter, {{1, 900000, 900000}, {2, 300, 90}});
    EXPECT_EQ(tick.index, 2u);
    EXPECT_EQ(tick.inBytes, 100u);
    EXPECT_EQ(tick.outBytes, 10u);
    EXPECT_EQ(FeedTable(meter, {{1, 1800000, 1800000}, {2, 400, 100}}).index, 2u);
    // The third tick of it within five: followed, with its own growth on the switch tick.
    tick = FeedTable(meter, {{1, 2700000, 2700100}, {2, 500, 110}});
    EXPECT_EQ(tick.index, 1u);
    EXPECT_EQ(tick.inBytes, 900000u);
    EXPECT_EQ(tick.outBytes, 900100u);
    EXPECT_EQ(meter.LastInOctets(), 2700000u);
    EXPECT_EQ(meter.LastOutOctets(), 2700100u);
}

TEST(InterfaceRow, NoQualifyingRowGivesNoReadingAndChoosesLater) {
    TrafficMeter meter;
    EXPECT_FALSE(FeedTable(meter, {{1, 0, 0}}).measured);
    EXPECT_EQ(meter.MeasuredIndex(), 0u);
    EXPECT_EQ(meter.LastInOctets(), 0u);
    EXPECT_EQ(FeedTable(meter, {{1, 0, 0}, {5, 5, 5}}).index, 5u);
}

TEST(InterfaceRow, TheMeasuredInterfaceLeavingHandsOverToTheBusiestOfTheRestWithItsOwnGrowth) {
    TrafficMeter meter;
    FeedTable(meter, {{1, 10, 10}, {2, 20, 20}, {3, 3000, 4000}});
    ASSERT_EQ(meter.MeasuredIndex(), 3u);
    FeedTable(meter, {{1, 10, 10}, {2, 1044, 1044}, {3, 3000, 4000}});

    const TrafficTick tick = FeedTable(meter, {{1, 10, 10}, {2, 9000, 9100}});
    EXPECT_EQ(tick.index, 2u);
    EXPECT_EQ(tick.inBytes, 9000u - 1044u) << "its own growth, never its whole counter";
    EXPECT_EQ(tick.outBytes, 9100u - 1044u);
    EXPECT_EQ(meter.LastOutOctets(), 9100u);
}

TEST(SpeedSample, IsKilobytesSinceThePreviousSampleAcrossAWrapAndNothingAfterAReset) {
    struct Case { std::uint32_t last, current; const char* expected; };
    const Case cases[] = {
        {1000, 1000, "0.0"},
        {1000, 4113, "3.0"},                // 3.04 KB
        {1000, 13800, "12.5"},
        {0xFFFFFF00u, 0x00000100u, "0.5"},  // wrapped: 512 bytes, not a huge figure
        {0xFFFFFFFFu, 1023, "1.0"},
        {0x80000001u, 0, "2097152.0"},      // just under half the range: still a wrap
        {1, 0xFFFFFFFFu, "0.0"},            // half the range or more: a reset, not 4 GB
        {5000000, 120000, "0.0"},           // adapter reset: no spike
        {0, 5 * 1024, "5.0"},               // a counter at 0 is a reading like any other
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KilobytesText(CounterGrowth(c.current, c.last)), c.expected)
            << "last " << c.last << " current " << c.current;
    }
    // The first sample shows no traffic, whatever the counter; after a reset the counter is
    // measured from its new value.
    for (std::uint32_t first : {123456u, 0x80000000u, 0xFFFFFFFFu}) {
        TrafficMeter meter;
        EXPECT_EQ(KilobytesText(FeedTable(meter, {{7, first, first}}).outBytes), "0.0") << "first " << first;
    }
    TrafficMeter meter;
    FeedTable(meter, {{7, 5000000, 5000000}});
    EXPECT_EQ(KilobytesText(FeedTable(meter, {{7, 120000, 120000}}).outBytes), "0.0");
    EXPECT_EQ(meter.LastOutOctets(), 120000u) << "reseeded";
    EXPECT_EQ(KilobytesText(FeedTable(meter, {{7, 120000, 121024}}).outBytes), "1.0");
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

// Adapters come and go between ticks: the measured interface is known by its index wherever its
// row stands, another is measured when it leaves, and the table is never read past its end.
TEST(InterfaceRow, InterfacesAddedAndRemovedBetweenTicks) {
    TrafficMeter meter;
    struct Tick { std::vector<InterfaceRow> rows; std::uint32_t index; const char* upload; };
    const Tick ticks[] = {
        {{{1, 100, 100}, {4, 5000, 4000}}, 4, "0.0"},               // chosen, first sample
        {{{1, 100, 100}, {4, 5000, 5024}, {9, 9, 9}}, 4, "1.0"},    // one added after it
        {{{7, 6000, 6048}, {4, 7000, 7000}, {9, 9, 9}}, 4, "1.9"},  // one removed and one added before it: still itself
        {{{7, 6000, 6048}}, 7, "0.0"},                              // it left: the busiest of the rest, idle
        {{}, 0, nullptr},                                           // none at all
        {{{1, 10, 10}, {4, 20, 2068}}, 4, "0.0"},                   // back: afresh
        {{{1, 10, 10}, {4, 20, 3092}}, 4, "1.0"},
    };
    for (const Tick& tick : ticks) {
        const TrafficTick reading = FeedTable(meter, tick.rows);
        EXPECT_EQ(meter.MeasuredIndex(), tick.index) << "rows " << tick.rows.size();
        if (tick.upload) {
            EXPECT_EQ(KilobytesText(reading.outBytes), tick.upload) << "rows " << tick.rows.size();
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

    std::vector<TrafficStep> sendOnly;
    for (int t = 0; t < 8; ++t) {
        // An interface that has received nothing is never measured, however much it sends.
        sendOnly.push_back({{{6, 0, 100 + 10 * kBusy * static_cast<std::uint32_t>(t)}, Flowing(3, 100, 1024, t)},
                            3u, t == 0 ? 0 : 1024});
    }
    ExpectTraffic("one that only sends", sendOnly);

    std::vector<TrafficStep> chatter;
    for (int t = 0; t < 8; ++t) {
        // The measured adapter idles; a virtual one sees a few packets every tick (6 KiB a tick,
        // 30 KiB over the window): under the 32 KiB it takes to switch.
        chatter.push_back({{Flowing(2, 100, 3 * 1024, t), {5, 7000, 7000}}, 5u, 0});
    }
    ExpectTraffic("a few packets on another while the measured one idles", chatter);
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
        {{{1, 5000, 5000}, {2, 9, 9}}, 2, 0},
        {{{1, 0, 0}, {2, 1, 1}}, 0, 0},              // both reset to nothing: no reading
        {{{1, 5000, 5000}, {2, 1033, 1033}}, 2, 1032},  // chosen again; growth since the reset, no spike
        {{{1, 5000, 5000}, {2, 2057, 2057}}, 2, 1024},
    });
}

}  // namespace
